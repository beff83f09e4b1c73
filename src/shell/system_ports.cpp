#include "shell/system_ports.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace kvx {
namespace {

bool Exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

// 8250-style ports are listed whether or not a UART answers; "type" 0 means
// the kernel found none behind the name.
bool IsPhantomUart(const std::string& sysEntry) {
  std::ifstream type(sysEntry + "/type");
  int value = -1;
  if (type >> value) return value == 0;
  return false;
}

}  // namespace

std::vector<std::string> SystemPortAccess::ListPorts() {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir("/sys/class/tty")) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::string sys = "/sys/class/tty/" + name;
      if (!Exists(sys + "/device")) continue;  // virtual terminals have no device
      if (IsPhantomUart(sys)) continue;
      const std::string dev = "/dev/" + name;
      if (Exists(dev)) names.push_back(dev);
    }
    ::closedir(dir);
  }
  if (const char* extra = std::getenv("KVX_EXTRA_PORTS")) {
    for (auto& name : SplitPortList(extra)) names.push_back(std::move(name));
  }
  return names;
}

bool SystemPortAccess::CanOpen(const std::string& portName) {
  int fd = ::open(portName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  ::close(fd);
  return rc == 0;
}

}  // namespace kvx
