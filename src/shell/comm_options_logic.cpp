#include "shell/comm_options_logic.h"

namespace kvx {

std::vector<std::string> SplitPortList(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    auto colon = list.find(':');
    std::string_view part = list.substr(0, colon);
    if (!part.empty()) names.emplace_back(part);
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return names;
}

std::vector<std::string> PortEntries(const std::vector<std::string>& sortedNames,
                                     PortAccess& access) {
  std::vector<std::string> entries;
  entries.reserve(sortedNames.size());
  for (const auto& name : sortedNames) {
    entries.push_back(access.CanOpen(name) ? name : name + kPortInUseSuffix);
  }
  return entries;
}

std::string PortNameFromEntry(std::string_view entry) {
  std::string_view suffix = kPortInUseSuffix;
  if (entry.size() >= suffix.size() && entry.substr(entry.size() - suffix.size()) == suffix) {
    entry.remove_suffix(suffix.size());
  }
  return std::string(entry);
}

std::string HostEntryText(const std::string& host, const std::string& port) {
  if (port.empty() || port == std::to_string(kModbusTcpPort)) return host;
  return host + ":" + port;
}

OptionsVisibility VisibilityFor(ProtocolKind protocol) {
  OptionsVisibility v;
  switch (protocol) {
    case ProtocolKind::ModbusRtu:
      v.comPort = v.baudRate = true;
      break;
    case ProtocolKind::Df1:
      v.comPort = v.baudRate = v.sourceAddress = v.errorCheck = true;
      break;
    case ProtocolKind::ModbusTcp:
      v.ipAddress = true;
      break;
  }
  return v;
}

int BaudRateAt(int index) {
  switch (index) {
    case 1:
      return 19200;
    case 2:
      return 38400;
    default:
      return 9600;
  }
}

int BaudIndexOf(std::string_view baudText) {
  if (baudText == "19200") return 1;
  if (baudText == "38400") return 2;
  return 0;
}

}  // namespace kvx
