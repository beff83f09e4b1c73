#pragma once
// CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320), as zlib computes it.

#include <cstdint>
#include <string_view>

namespace kvx {

std::uint32_t Crc32(std::string_view bytes);

}  // namespace kvx
