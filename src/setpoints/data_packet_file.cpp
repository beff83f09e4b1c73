#include "setpoints/data_packet_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "setpoints/data_packet_binary.h"
#include "setpoints/data_packet_xml.h"

namespace kvx {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

std::atomic<unsigned> tempCounter{0};

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
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
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return PacketResult::Fail("cannot open " + path.string() + ": " + ec.message());
  if (size > kMaxFileBytes) return PacketResult::Fail("file too large for a setting file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return PacketResult::Fail("cannot open " + path.string());
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() != static_cast<std::streamsize>(bytes.size()))
    return PacketResult::Fail("cannot read " + path.string());
  if (std::string_view(bytes).substr(0, kBinaryPacketMagic.size()) == kBinaryPacketMagic)
    return ReadBinaryPacket(bytes);
  return ReadXmlPacket(bytes);
}

WriteResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  const std::filesystem::path temp =
      folder / ("." + path.filename().string() + ".tmp" + std::to_string(::getpid()) + "-" +
                std::to_string(tempCounter.fetch_add(1)));
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return {false, SystemError("cannot create a file in the target folder")};
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string why = SystemError("write failed");
      ::close(fd);
      ::unlink(temp.c_str());
      return {false, why};
    }
    done += static_cast<std::size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  const std::string syncError = synced ? std::string() : SystemError("write failed");
  const bool closed = ::close(fd) == 0;
  if (!synced || !closed) {
    const std::string why = synced ? SystemError("write failed") : syncError;
    ::unlink(temp.c_str());
    return {false, why};
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string why = SystemError("cannot replace the target file");
    ::unlink(temp.c_str());
    return {false, why};
  }
  return {true, {}};
}

WriteResult WritePacketFile(const std::filesystem::path& path, const DataPacket& packet,
                            PacketForm form) {
  return WriteFileAtomically(
      path, form == PacketForm::Xml ? WriteXmlPacket(packet) : WriteBinaryPacket(packet));
}

}  // namespace kvx
