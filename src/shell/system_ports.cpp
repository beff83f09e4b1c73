#include "shell/system_ports.h"

#include <cstdlib>

#include "comm/posix_serial_port.h"
#include "comm/serial_port_list.h"

namespace kvx {

std::vector<std::string> SystemPortAccess::ListPorts() {
  std::vector<std::string> names = ListSerialPorts();
  if (const char* extra = std::getenv("KVX_EXTRA_PORTS")) {
    for (auto& name : SplitPortList(extra)) names.push_back(std::move(name));
  }
  return names;
}

bool SystemPortAccess::CanOpen(const std::string& portName) {
  // The same exclusive open a connect makes, so "free" here means a connect
  // will get the port.
  PosixSerialPort port;
  port.SetPortName(portName);
  const bool opened = port.Open() == CommError::None;
  port.Close();
  return opened;
}

}  // namespace kvx
