#pragma once
// The link parameters handed by reference to every register access.

#include <atomic>
#include <cstdint>
#include <string>

namespace kvx {

class SerialPort;
class TcpClient;

// Positions in the "Network Type" list of the options dialog. Stored as a
// 32-bit integer; a value outside 0..2 dispatches to no client at all.
enum class ProtocolKind : std::int32_t {
  ModbusRtu = 0,
  Df1 = 1,
  ModbusTcp = 2,
};

struct CommSettings {
  std::int32_t unitAddress =
      254;  // Modbus slave / DF1 destination / TCP unit id; clients accept 1..254
  std::int32_t sourceAddress = 0;  // DF1 source node, 0..254
  std::int32_t errorCheck = 0;     // DF1 frame check: 0 = CRC, 1 = BCC
  std::string baudText = "9600";   // as chosen in the options dialog; the port carries its own rate
  std::int32_t transactionCounter =
      0;  // next DF1 transaction number (post-incremented per DF1 attempt)
  SerialPort* serialPort = nullptr;  // non-owning
  TcpClient* tcpClient = nullptr;    // non-owning
  ProtocolKind protocol = ProtocolKind::ModbusRtu;
  // Set by a poll thread on its own copy: a stop asked while an exchange is
  // under way ends it after the attempt in flight instead of after all three.
  const std::atomic<bool>* stopRequest = nullptr;  // non-owning
  // A poll's copy: its exchanges give way to the user's (see link_lock.h).
  bool background = false;
};

}  // namespace kvx
