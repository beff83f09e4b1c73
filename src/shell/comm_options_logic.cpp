#include "shell/comm_options_logic.h"

#include <charconv>

namespace kvx {
namespace {

std::optional<int> ParseBoundedNumber(std::string_view text, int max) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int value = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || p != text.data() + text.size() || value < 0 || value > max) {
    return std::nullopt;
  }
  return value;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

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

std::optional<HostAndPort> ParseHostAndPort(std::string_view text) {
  text = Trim(text);
  HostAndPort result;
  auto colon = text.find(':');
  std::string_view host = text.substr(0, colon);
  if (colon != std::string_view::npos) {
    auto port = ParseBoundedNumber(text.substr(colon + 1), 65535);
    if (!port || *port == 0) return std::nullopt;
    result.port = *port;
  }
  int parts = 0;
  std::string normalised;
  while (true) {
    auto dot = host.find('.');
    auto part = ParseBoundedNumber(host.substr(0, dot), 255);
    if (!part || host.substr(0, dot).size() > 3) return std::nullopt;
    if (parts > 0) normalised += '.';
    normalised += std::to_string(*part);
    ++parts;
    if (dot == std::string_view::npos) break;
    host.remove_prefix(dot + 1);
  }
  if (parts != 4) return std::nullopt;
  result.host = normalised;
  return result;
}

std::string HostEntryText(const std::string& host, const std::string& port) {
  if (port.empty() || port == std::to_string(kDefaultModbusTcpPort)) return host;
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
