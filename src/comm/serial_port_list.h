#pragma once
// The system's serial ports by full name, for the options dialog and the CLI.

#include <string>
#include <vector>

#include "comm/comm_error.h"

namespace kvx {

// Devices with a driver behind them (/sys/class/tty/*/device, as /dev/NAME)
// and the stable names under /dev/serial/by-id, sorted by name without regard
// to case, without duplicates. Names are never shortened.
std::vector<std::string> ListSerialPorts();

// Opens `name` with the line settings of the link and closes it again: None
// when the port is usable now, PortBusy while another program or handle holds
// it, PortOpenFailed when it does not exist or is no serial device.
CommError TestSerialPortOpen(const std::string& name);

// Sorts and de-duplicates port names the way ListSerialPorts does.
void SortPortNames(std::vector<std::string>& names);

}  // namespace kvx
