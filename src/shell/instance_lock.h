#pragma once
// The single-instance lock: an advisory lock on a file that the operating
// system drops when the holding process ends, however it ends.

#include <string>

namespace kvx {

enum class InstanceLockState {
  Acquired,     // this process is the running copy
  HeldByOther,  // another copy runs
  Unavailable,  // the lock file cannot be made; the program starts anyway
};

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Tries once, without waiting, to take the lock file `path`.
  InstanceLockState TryAcquire(const std::string& path);
  void Release();

 private:
  int fd_ = -1;
};

// "<name>.SEMAPHORE", the lock's name for program `programName`.
std::string InstanceLockName(const std::string& programName);

}  // namespace kvx
