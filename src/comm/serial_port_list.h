#pragma once
// The system's serial ports by full name, for the options dialog and the CLI.

#include <string>
#include <vector>

namespace kvx {

// Devices with a driver behind them (/sys/class/tty/*/device, as /dev/NAME)
// and the stable names under /dev/serial/by-id, sorted by name without regard
// to case, without duplicates. Names are never shortened.
std::vector<std::string> ListSerialPorts();

// Sorts and de-duplicates port names the way ListSerialPorts does.
void SortPortNames(std::vector<std::string>& names);

}  // namespace kvx
