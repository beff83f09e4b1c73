#include "comm/link_lock.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>

namespace kvx {

// A lock with a bounded wait, built from a mutex and a condition variable
// rather than std::timed_mutex: its timed wait (pthread_mutex_clocklock) is
// invisible to ThreadSanitizer here, which then reports every release as an
// unlock of an unlocked mutex, hiding real races.
//
// Waiters are served in the order they came: the poll threads go from one
// exchange straight to the next, and a plain lock would let them take it
// again and again ahead of the user's own operation waiting beside them.
// In turn, a user's exchange waits at most for the exchanges queued before
// it, one per poll thread. Background waiters (the polls) are moreover
// passed over while a foreground exchange is under way, so that they never
// come in between the attempts of the user's exchange.
struct TimedLock {
  std::mutex guard;
  std::condition_variable released;
  bool held = false;
  struct Waiter {
    std::uint64_t ticket;
    bool background;
  };
  std::deque<Waiter> waiters;  // oldest first
  std::uint64_t nextTicket = 0;
  int foreground = 0;  // foreground exchanges under way

  // The ticket whose turn it is: the oldest waiter that may go now.
  bool Next(std::uint64_t ticket) const {
    if (held) return false;
    for (const Waiter& w : waiters) {
      if (w.background && foreground > 0) continue;
      return w.ticket == ticket;
    }
    return false;
  }
};

namespace {

// Open locks by name. Entries expire with the last handle; the registry
// itself is process-wide because the lock is.
struct LockRegistry {
  std::mutex guard;
  std::map<std::string, std::weak_ptr<TimedLock>, std::less<>> locks;
};

LockRegistry& Registry() {
  static LockRegistry registry;
  return registry;
}

}  // namespace

namespace {

// The lock registered under `name`, made when there is none (then held from
// the start when `takeNew`, before any other handle can see it). Whether it
// was made here.
bool FindOrCreate(std::string_view name, bool takeNew, std::shared_ptr<TimedLock>& lock) {
  LockRegistry& registry = Registry();
  std::lock_guard<std::mutex> hold(registry.guard);
  auto it = registry.locks.find(name);
  if (it != registry.locks.end()) lock = it->second.lock();
  if (lock) return false;
  lock = std::make_shared<TimedLock>();
  lock->held = takeNew;
  registry.locks.insert_or_assign(std::string(name), lock);
  return true;
}

}  // namespace

NamedLockHandle::NamedLockHandle(std::string_view name) {
  created_ = FindOrCreate(name, false, lock_);
}

NamedLockHandle::NamedLockHandle(std::string_view name, std::chrono::milliseconds wait) {
  created_ = FindOrCreate(name, true, lock_);
  if (created_) {
    held_ = true;
    return;
  }
  TryLockFor(wait);
}

NamedLockHandle::~NamedLockHandle() {
  Unlock();
  LockRegistry& registry = Registry();
  std::lock_guard<std::mutex> hold(registry.guard);
  lock_.reset();
  // Drop expired entries so the registry stays bounded by the names in use.
  for (auto it = registry.locks.begin(); it != registry.locks.end();) {
    it = it->second.expired() ? registry.locks.erase(it) : std::next(it);
  }
}

bool NamedLockHandle::TryLockFor(std::chrono::milliseconds timeout, bool background) {
  if (held_) return true;
  TimedLock& l = *lock_;
  std::unique_lock<std::mutex> hold(l.guard);
  const std::uint64_t ticket = l.nextTicket++;
  l.waiters.push_back({ticket, background});
  bool got = l.Next(ticket);
  if (!got && timeout > std::chrono::milliseconds(0)) {
    got = l.released.wait_for(hold, timeout, [&] { return l.Next(ticket); });
  }
  l.waiters.erase(
      std::find_if(l.waiters.begin(), l.waiters.end(),
                   [ticket](const TimedLock::Waiter& w) { return w.ticket == ticket; }));
  if (!got) {
    // The next in line may be free to go now that this one has left.
    hold.unlock();
    l.released.notify_all();
    return false;
  }
  l.held = true;
  held_ = true;
  return true;
}

bool NamedLockHandle::TryLock() {
  return TryLockFor(std::chrono::milliseconds(0));
}

void NamedLockHandle::Unlock() {
  if (!held_) return;
  held_ = false;
  {
    std::lock_guard<std::mutex> hold(lock_->guard);
    lock_->held = false;
  }
  // Every waiter looks whether it is next in line.
  lock_->released.notify_all();
}

ForegroundExchange::ForegroundExchange(std::string_view name) : handle_(name) {
  FindOrCreate(name, false, lock_);
  std::lock_guard<std::mutex> hold(lock_->guard);
  ++lock_->foreground;
}

ForegroundExchange::~ForegroundExchange() {
  {
    std::lock_guard<std::mutex> hold(lock_->guard);
    --lock_->foreground;
  }
  lock_->released.notify_all();
}

}  // namespace kvx
