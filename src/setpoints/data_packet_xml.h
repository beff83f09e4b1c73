#pragma once
// The XML form of a data packet: DATAPACKET with METADATA/FIELDS/FIELD column
// definitions and ROWDATA/ROW rows, one attribute per non-null cell.

#include <string>
#include <string_view>

#include "setpoints/packet_result.h"

namespace kvx {

// Parses a whole file's bytes. The encoding named in the XML declaration
// (UTF-8, UTF-16 with a byte-order mark, ISO-8859-1, Windows-1252, US-ASCII)
// is honoured; texts come out as UTF-8. Change-log rows (RowState) are merged:
// deleted rows dropped, inserted rows kept, an original row followed by its
// modification becomes the modified row; any other change log is refused.
PacketResult ReadXmlPacket(std::string_view bytes);

// UTF-8, the five standard escapes in attribute values, one ROW per line.
std::string WriteXmlPacket(const DataPacket& packet);

}  // namespace kvx
