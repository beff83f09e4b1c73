#pragma once
// The system's serial ports, for the options dialog: the devices the kernel
// lists as serial lines, plus the names in KVX_EXTRA_PORTS (colon-separated),
// so that pseudo-terminals of the simulator and odd adapters can be chosen.

#include "shell/comm_options_logic.h"

namespace kvx {

class SystemPortAccess : public PortAccess {
 public:
  std::vector<std::string> ListPorts() override;
  // Opens the port exclusively (as a connect would) and closes it again.
  bool CanOpen(const std::string& portName) override;
};

}  // namespace kvx
