#include "shell/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace kvx {

InstanceLock::~InstanceLock() {
  Release();
}

InstanceLockState InstanceLock::TryAcquire(const std::string& path) {
  Release();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return InstanceLockState::Unavailable;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? InstanceLockState::HeldByOther : InstanceLockState::Unavailable;
  }
  fd_ = fd;
  return InstanceLockState::Acquired;
}

void InstanceLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);  // closing the only descriptor drops the lock
    fd_ = -1;
  }
}

std::string InstanceLockName(const std::string& programName) {
  return programName + ".SEMAPHORE";
}

}  // namespace kvx
