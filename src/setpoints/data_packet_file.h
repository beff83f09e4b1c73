#pragma once
// Data packet files on disk, in either form.

#include <filesystem>
#include <string>

#include "setpoints/packet_result.h"

namespace kvx {

enum class PacketForm { Binary, Xml };

// XML when the file name ends in ".xml" in any letter case, else binary.
PacketForm PacketFormForPath(const std::filesystem::path& path);

// Reads a file in whichever form it is in (binary by its magic, else XML).
// Files above 16 MiB (a hundred times any setting file) are refused unread.
PacketResult ReadPacketFile(const std::filesystem::path& path);

struct WriteResult {
  bool ok = false;
  std::string error;
};

// Writes to a temporary file in the target's folder and renames it over the
// target only when every byte is on disk, so a failed write leaves any
// previous file untouched.
WriteResult WritePacketFile(const std::filesystem::path& path, const DataPacket& packet,
                            PacketForm form);

// The bytes of a whole file with the same temporary-file-and-rename guard.
WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kvx
