#pragma once
// Checks shared by the data packet fuzz targets: whatever a reader accepts
// must survive being written and read again in both forms.

#include <cstdlib>
#include <string>
#include <variant>

#include "setpoints/data_packet.h"
#include "setpoints/data_packet_binary.h"
#include "setpoints/data_packet_xml.h"

namespace kvx::fuzz {

// XML 1.0 cannot carry control characters other than tab, line feed and
// carriage return; the writer drops them, so such packets do not round-trip.
inline bool XmlCanCarry(const DataPacket& p) {
  for (const PacketRow& row : p.rows) {
    for (const Cell& c : row) {
      if (const std::string* s = std::get_if<std::string>(&c)) {
        for (unsigned char ch : *s) {
          if (ch < 0x20 && ch != '\t' && ch != '\n' && ch != '\r') return false;
        }
      }
    }
  }
  return true;
}

inline void CheckRoundTrips(const DataPacket& p) {
  const PacketResult binary = ReadBinaryPacket(WriteBinaryPacket(p));
  if (!binary.ok || !SamePacket(binary.packet, p)) std::abort();
  if (!XmlCanCarry(p)) return;
  const PacketResult xml = ReadXmlPacket(WriteXmlPacket(p));
  if (!xml.ok || !SamePacket(xml.packet, p)) std::abort();
}

}  // namespace kvx::fuzz
