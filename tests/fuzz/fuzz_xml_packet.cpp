// libFuzzer target: the XML data packet reader.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "packet_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kvx::PacketResult r =
      kvx::ReadXmlPacket(std::string_view(reinterpret_cast<const char*>(data), size));
  if (r.ok) {
    kvx::fuzz::CheckRoundTrips(r.packet);
  } else if (!r.packet.rows.empty() || !r.packet.fields.empty() || r.error.empty()) {
    __builtin_trap();  // a refused file must yield nothing, with a reason
  }
  return 0;
}
