#include "setpoints/data_packet_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "setpoints/data_packet_binary.h"
#include "setpoints/data_packet_xml.h"

namespace kvx {
namespace {

constexpr off_t kMaxFileBytes = 16 << 20;

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// The whole content of a regular file of at most kMaxFileBytes. The file is
// opened without waiting (a FIFO would otherwise block until a writer came)
// and judged by what was opened, not by a name that may change meanwhile.
bool ReadRegularFile(const std::filesystem::path& path, std::string& bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    error = SystemError("cannot open " + path.string());
    return false;
  }
  struct stat st {};
  bool ok = false;
  if (::fstat(fd, &st) != 0) {
    error = SystemError("cannot examine " + path.string());
  } else if (!S_ISREG(st.st_mode)) {
    error = path.string() + " is not a regular file";
  } else if (st.st_size > kMaxFileBytes) {
    error = "file too large for a setting file";
  } else {
    bytes.assign(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    ok = true;
    while (done < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {  // shrunk while reading, or a read error
        error = "cannot read " + path.string();
        ok = false;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
  }
  ::close(fd);
  return ok;
}

}  // namespace

PacketForm PacketFormForPath(const std::filesystem::path& path) {
  const std::string name = path.filename().string();
  if (name.size() < 4) return PacketForm::Binary;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".xml" ? PacketForm::Xml : PacketForm::Binary;
}

PacketResult ReadPacketFile(const std::filesystem::path& path) {
  std::string bytes;
  std::string error;
  if (!ReadRegularFile(path, bytes, error)) return PacketResult::Fail(error);
  if (std::string_view(bytes).substr(0, kBinaryPacketMagic.size()) == kBinaryPacketMagic)
    return ReadBinaryPacket(bytes);
  return ReadXmlPacket(bytes);
}

WriteResult WritePacketFile(const std::filesystem::path& path, const DataPacket& packet,
                            PacketForm form) {
  return WriteFileAtomically(
      path, form == PacketForm::Xml ? WriteXmlPacket(packet) : WriteBinaryPacket(packet));
}

}  // namespace kvx
