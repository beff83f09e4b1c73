// libFuzzer target: the binary data packet reader (.cds setpoint files).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "packet_invariants.h"
#include "setpoints/crc32.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const kvx::PacketResult r = kvx::ReadBinaryPacket(bytes);
  if (r.ok) {
    kvx::fuzz::CheckRoundTrips(r.packet);
  } else if (!r.packet.rows.empty() || !r.packet.fields.empty() || r.error.empty()) {
    __builtin_trap();
  }
  // Random bytes almost never carry a valid checksum; also try the input with
  // its checksum made right, so the parser behind the check gets exercised.
  if (size >= 4) {
    std::string fixed(bytes.substr(0, size - 4));
    const std::uint32_t crc = kvx::Crc32(fixed);
    for (int i = 0; i < 4; ++i) fixed += static_cast<char>((crc >> (8 * i)) & 0xFF);
    const kvx::PacketResult f = kvx::ReadBinaryPacket(fixed);
    if (f.ok) kvx::fuzz::CheckRoundTrips(f.packet);
  }
  return 0;
}
