#include "comm/link_lock.h"

#include <map>

namespace kvx {
namespace {

// Open locks by name. Entries expire with the last handle; the registry
// itself is process-wide because the lock is.
struct LockRegistry {
  std::mutex guard;
  std::map<std::string, std::weak_ptr<std::timed_mutex>, std::less<>> locks;
};

LockRegistry& Registry() {
  static LockRegistry registry;
  return registry;
}

}  // namespace

NamedLockHandle::NamedLockHandle(std::string_view name) {
  LockRegistry& registry = Registry();
  std::lock_guard<std::mutex> hold(registry.guard);
  auto it = registry.locks.find(name);
  if (it != registry.locks.end()) mutex_ = it->second.lock();
  if (!mutex_) {
    mutex_ = std::make_shared<std::timed_mutex>();
    registry.locks.insert_or_assign(std::string(name), mutex_);
    created_ = true;
  }
}

NamedLockHandle::~NamedLockHandle() {
  Unlock();
  LockRegistry& registry = Registry();
  std::lock_guard<std::mutex> hold(registry.guard);
  mutex_.reset();
  // Drop expired entries so the registry stays bounded by the names in use.
  for (auto it = registry.locks.begin(); it != registry.locks.end();) {
    it = it->second.expired() ? registry.locks.erase(it) : std::next(it);
  }
}

bool NamedLockHandle::TryLockFor(std::chrono::milliseconds timeout) {
  if (held_) return true;
  held_ = mutex_->try_lock_for(timeout);
  return held_;
}

bool NamedLockHandle::TryLock() {
  if (held_) return true;
  held_ = mutex_->try_lock();
  return held_;
}

void NamedLockHandle::Unlock() {
  if (!held_) return;
  held_ = false;
  mutex_->unlock();
}

}  // namespace kvx
