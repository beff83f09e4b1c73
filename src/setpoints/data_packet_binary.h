#pragma once
// The binary form of a data packet (the program's ".cds" setpoint files).
//
// Layout, all integers little-endian:
//   magic      8 bytes  "KVXDPK\r\n"  (the CR LF catches text-mode copies)
//   version    u16      1
//   reserved   u16      0
//   fields     u32      column count (1..1024), then per column:
//                u8 type (0 string, 1 r8, 2 i4, 3 i2), u8 0, u16 width,
//                u16 name length (1..255), name bytes
//   rows       u32      row count, then per row and column:
//                u8 present (0 null, 1 value); a value is an 8-byte IEEE
//                double for number columns, or u32 byte length + UTF-8 bytes
//   checksum   u32      CRC-32 (IEEE 802.3) of every byte before it
// A file with a wrong magic, version or checksum, a count or length beyond
// the bytes present, invalid UTF-8, or bytes left over is refused whole.

#include <string>
#include <string_view>

#include "setpoints/packet_result.h"

namespace kvx {

inline constexpr std::string_view kBinaryPacketMagic{"KVXDPK\r\n", 8};

PacketResult ReadBinaryPacket(std::string_view bytes);
std::string WriteBinaryPacket(const DataPacket& packet);

}  // namespace kvx
