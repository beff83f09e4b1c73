#pragma once
// The single-instance lock: an advisory lock on a file that the operating
// system drops when the holding process ends, however it ends.
//
// The lock file lives in a folder only this user can write: another local
// user can neither plant a symbolic link where the file is opened (root
// would create or truncate a file through it) nor hold the lock and so stop
// this user's copy from starting.

#include <string>

namespace kvx {

enum class InstanceLockState {
  Acquired,     // this process is the running copy
  HeldByOther,  // another copy of ours runs
  Unavailable,  // no safe lock file; the program starts anyway
};

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Tries once, without waiting, to take the lock file `path`. The file is
  // opened without following a symbolic link and must be a regular file of
  // this user (created 0600); anything else is Unavailable, never a wait.
  InstanceLockState TryAcquire(const std::string& path);
  void Release();

 private:
  int fd_ = -1;
};

// "<name>.SEMAPHORE", the lock's name for program `programName`.
std::string InstanceLockName(const std::string& programName);

// Empty when `folder` may hold the lock file: a real folder (not a symbolic
// link) owned by this user that neither group nor others may write;
// otherwise why not.
std::string PrivateFolderProblem(const std::string& folder);

// Where the lock folder is looked for; empty texts are not set.
struct LockPlaces {
  std::string lockDir;     // KVX_LOCK_DIR: tests keep their copies apart
  std::string runtimeDir;  // XDG_RUNTIME_DIR
  std::string tempDir;     // TMPDIR, else /tmp
};
LockPlaces LockPlacesFromEnvironment();

// The lock file's path for `programName`: in the first of KVX_LOCK_DIR and
// XDG_RUNTIME_DIR that passes PrivateFolderProblem, else in
// "<temp>/kvx-comm-<uid>", created 0700 when missing and checked the same
// way. Empty when no folder passes: the program starts without the lock.
std::string InstanceLockPath(const std::string& programName, const LockPlaces& places);

}  // namespace kvx
