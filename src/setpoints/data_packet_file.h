#pragma once
// Data packet files on disk, in either form.

#include <filesystem>
#include <string>

#include "setpoints/file_save.h"
#include "setpoints/packet_result.h"

namespace kvx {

enum class PacketForm { Binary, Xml };

// XML when the file name ends in ".xml" in any letter case, else binary.
PacketForm PacketFormForPath(const std::filesystem::path& path);

// Reads a file in whichever form it is in (binary by its magic, else XML).
// Files above 16 MiB (a hundred times any setting file) and anything that is
// not a regular file (a FIFO would block the reader) are refused unread.
PacketResult ReadPacketFile(const std::filesystem::path& path);

// Saves the packet in the given form through WriteFileAtomically (file_save.h).
WriteResult WritePacketFile(const std::filesystem::path& path, const DataPacket& packet,
                            PacketForm form);

}  // namespace kvx
