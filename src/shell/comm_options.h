#pragma once
// The confirmed result of the communications options dialog. The main window
// keeps one for the whole run and hands it to the dialog at every connect, so
// the dialog opens with the last confirmed values.

#include <string>

#include "comm/comm_settings.h"
#include "comm/host_port.h"

namespace kvx {

struct CommOptions {
  bool cancelled = true;  // true unless the dialog was closed with OK
  std::string portName;   // full serial port name, e.g. "/dev/ttyUSB0"
  int baudRate = 9600;    // 9600, 19200 or 38400
  std::string remoteHost = "0.0.0.0";
  std::string remotePort = std::to_string(kModbusTcpPort);
  int unitAddress = 254;  // 1..254
  std::string baudText = "9600";
  int sourceAddress = 0;  // DF1 source node, 0..254
  int errorCheck = 0;     // 0 CRC, 1 BCC
  ProtocolKind protocol = ProtocolKind::ModbusRtu;
};

}  // namespace kvx
