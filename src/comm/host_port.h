#pragma once
// The address of a Modbus TCP relay as people type it: "a.b.c.d" or
// "a.b.c.d:PORT", and the port a relay listens on when none is named. The
// options dialog, kvx-cli --tcp and the reasons in messages all use these.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

inline constexpr std::uint16_t kModbusTcpPort = 502;

struct HostAndPort {
  std::string host;  // dotted IPv4, each part without leading zeros
  int port = kModbusTcpPort;
};

// "a.b.c.d" or "a.b.c.d:PORT" (each part 0..255 in at most three digits,
// port 1..65535; blanks around the text ignored). Nothing when the text is
// not such an address.
std::optional<HostAndPort> ParseHostAndPort(std::string_view text);

// "192.168.1.20:502": the port is always shown, so a message names the exact
// endpoint that was tried.
std::string FormatHostAndPort(const std::string& host, int port);

}  // namespace kvx
