#pragma once
// The link lock: an in-process named lock ("comport") that serialises every
// exchange on the one serial line or TCP connection. The program runs as a
// single instance, so a lock shared by its threads does the job of a
// system-wide one.
//
// A handle opens (creating if needed) the lock by name without taking it. The
// lock itself lives while any handle to it is open. A held lock is released
// when its handle is destroyed, so an exchange that ends by any path,
// including an exception or the end of its thread's stack unwinding, never
// leaves the lock held.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace kvx {

inline constexpr std::string_view kLinkLockName = "comport";

struct TimedLock;  // the lock one name stands for

class NamedLockHandle {
 public:
  explicit NamedLockHandle(std::string_view name);
  // Opens the lock and takes it in one step: a lock this handle creates is
  // held from the moment it exists (no other thread can take it first); one
  // that already exists is waited for, at most `wait`. Held() tells.
  NamedLockHandle(std::string_view name, std::chrono::milliseconds wait);
  ~NamedLockHandle();
  NamedLockHandle(const NamedLockHandle&) = delete;
  NamedLockHandle& operator=(const NamedLockHandle&) = delete;

  // True when this handle created the lock (no other handle had it open).
  bool Created() const { return created_; }

  // Waits at most `timeout` for the lock. True when it is now held here.
  // A background waiter (a poll) is passed over while any foreground
  // exchange is under way (see ForegroundExchange).
  bool TryLockFor(std::chrono::milliseconds timeout, bool background = false);
  bool TryLock();
  void Unlock();
  bool Held() const { return held_; }

 private:
  std::shared_ptr<TimedLock> lock_;
  bool created_ = false;
  bool held_ = false;
};

// Marks one foreground exchange (the user's) under way on the lock of
// `name` for as long as it lives, across its attempts: background waiters
// do not get the lock in between, so the attempts of the user's exchange
// follow one another and a poll comes in only between two exchanges.
class ForegroundExchange {
 public:
  explicit ForegroundExchange(std::string_view name);
  ~ForegroundExchange();
  ForegroundExchange(const ForegroundExchange&) = delete;
  ForegroundExchange& operator=(const ForegroundExchange&) = delete;

 private:
  NamedLockHandle handle_;  // keeps the lock alive
  std::shared_ptr<TimedLock> lock_;
};

}  // namespace kvx
