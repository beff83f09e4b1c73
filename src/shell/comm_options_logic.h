#pragma once
// The parts of the communications options dialog that are not about widgets:
// the port list, the address entry and which controls a network type shows.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/comm_settings.h"
#include "comm/host_port.h"

namespace kvx {

inline constexpr const char* kPortInUseSuffix = " (in use)";

// Lists the system's serial ports and tells whether one can be opened now.
class PortAccess {
 public:
  virtual ~PortAccess() = default;
  virtual std::vector<std::string> ListPorts() = 0;
  // Opens and closes the port again; false when it cannot be opened (for
  // example because another program holds it).
  virtual bool CanOpen(const std::string& portName) = 0;
};

// The names in a colon-separated list such as the KVX_EXTRA_PORTS variable;
// empty parts are skipped.
std::vector<std::string> SplitPortList(std::string_view list);

// The entries of the port list: each name, with " (in use)" appended when the
// port cannot be opened.
std::vector<std::string> PortEntries(const std::vector<std::string>& sortedNames,
                                     PortAccess& access);

// The port name behind a list entry (the entry without " (in use)").
std::string PortNameFromEntry(std::string_view entry);

// The text the address entry shows for a host and port text: the port is
// only shown when it is not the default.
std::string HostEntryText(const std::string& host, const std::string& port);

struct OptionsVisibility {
  bool comPort = false;
  bool baudRate = false;
  bool sourceAddress = false;
  bool errorCheck = false;
  bool ipAddress = false;
};

OptionsVisibility VisibilityFor(ProtocolKind protocol);

// The baud rate at a position of the "Baud Rate" list.
int BaudRateAt(int index);
// The list position of a baud rate text; 0 when it is not listed.
int BaudIndexOf(std::string_view baudText);

}  // namespace kvx
