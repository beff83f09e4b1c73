#include "comm/host_port.h"

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

std::string FormatHostAndPort(const std::string& host, int port) {
  return host + ":" + std::to_string(port);
}

}  // namespace kvx
