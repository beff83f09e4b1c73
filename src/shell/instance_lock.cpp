#include "shell/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kvx {

InstanceLock::~InstanceLock() {
  Release();
}

InstanceLockState InstanceLock::TryAcquire(const std::string& path) {
  Release();
  if (path.empty()) return InstanceLockState::Unavailable;
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return InstanceLockState::Unavailable;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    // Not ours to lock: whoever holds it must not stop us.
    ::close(fd);
    return InstanceLockState::Unavailable;
  }
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

std::string PrivateFolderProblem(const std::string& folder) {
  struct stat st {};
  if (folder.empty()) return "no folder";
  if (::lstat(folder.c_str(), &st) != 0) return folder + " does not exist";
  if (S_ISLNK(st.st_mode)) return folder + " is a symbolic link";
  if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
  if (st.st_uid != ::geteuid()) return folder + " belongs to another user";
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return folder + " may be written by others";
  return {};
}

LockPlaces LockPlacesFromEnvironment() {
  auto env = [](const char* name) {
    const char* v = std::getenv(name);
    return std::string(v ? v : "");
  };
  LockPlaces places{env("KVX_LOCK_DIR"), env("XDG_RUNTIME_DIR"), env("TMPDIR")};
  if (places.tempDir.empty()) places.tempDir = "/tmp";
  return places;
}

std::string InstanceLockPath(const std::string& programName, const LockPlaces& places) {
  const std::string name = InstanceLockName(programName);
  for (const std::string* dir : {&places.lockDir, &places.runtimeDir}) {
    if (!dir->empty() && PrivateFolderProblem(*dir).empty()) return *dir + "/" + name;
  }
  if (places.tempDir.empty()) return {};
  const std::string own = places.tempDir + "/kvx-comm-" + std::to_string(::geteuid());
  // mkdir never follows a link at the last component; a folder made by
  // someone else in its place fails the check below.
  if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (!PrivateFolderProblem(own).empty()) return {};
  return own + "/" + name;
}

}  // namespace kvx
