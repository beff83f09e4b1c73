#pragma once
// How the register access layer reaches a protocol: a table of calls that
// each client file (modbus_rtu_client.cpp, modbus_tcp_client.cpp, ...) fills
// for its own protocol. Each call makes one exchange with a fresh context of
// its own and tells what happened in an ExchangeOutcome; the layer turns the
// outcomes of its attempts into an AccessReport.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

// One exchange as a reason needs it.
struct ExchangeOutcome {
  CommError error = CommError::None;
  int systemError = 0;                   // errno behind a port or socket failure, else 0
  std::chrono::milliseconds timeout{0};  // how long the reply was waited for
  bool replyHeard = false;               // some of a reply arrived
  int refusalCode =
      0;  // the relay's own code of a refusal without a CommError of its own (DF1 STS)
};

class SerialPort;

// The outcome of one exchange on a serial line; the port's errno is kept
// when the port itself failed (could not be opened, is held, refused its
// setup).
ExchangeOutcome SerialExchangeOutcome(CommError error, std::chrono::milliseconds timeout,
                                      bool replyHeard, const SerialPort& port);

struct ProtocolClient {
  ExchangeOutcome (*read)(CommSettings& settings, int first, int count,
                          std::span<std::uint16_t> words);
  ExchangeOutcome (*write)(CommSettings& settings, int first, int count,
                           std::span<const std::uint16_t> words);
  ExchangeOutcome (*command)(CommSettings& settings, int code);
  // Where the exchanges go, for a person: "/dev/ttyUSB0", "192.168.1.20:502".
  std::string (*linkName)(const CommSettings& settings);
};

// Each client file defines its own.
const ProtocolClient& ModbusRtuProtocolClient();
const ProtocolClient& ModbusTcpProtocolClient();
const ProtocolClient& Df1ProtocolClient();

// The client for `protocol`, looked up in the one table of protocol_client.cpp;
// nullptr for a value outside the enumeration and for a protocol whose client
// is not part of this build.
const ProtocolClient* FindProtocolClient(ProtocolKind protocol);

}  // namespace kvx
