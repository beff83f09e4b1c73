#pragma once
// The access flag and the password timer. Once the right password has been
// given through the gate, writes pass without asking until the timer runs
// out; the timer is a deadline read against the session's clock, so the
// grace period is exact and tests move the clock instead of waiting.

#include <chrono>
#include <functional>
#include <optional>

namespace kvx {

using SessionClock = std::function<std::chrono::steady_clock::time_point()>;

inline constexpr std::chrono::milliseconds kDefaultPasswordTimeout{300000};

class AccessGate {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // True: writes pass without a password. Reading it first fires a timer
  // whose deadline has come (at the deadline itself access has ended).
  bool AccessGranted(TimePoint now);

  // A correct password through the gate: access granted and the timer
  // started with the timeout. Later writes do not restart it.
  void Unlock(TimePoint now);
  // Connect: access withdrawn, so the next write asks.
  void Lock();
  // Disconnect: nothing to protect; the timer is disabled.
  void Open();

  // The "Password Timeout" dialog. A running timer given a different
  // interval starts counting again from `now`; the flag is not touched.
  void SetTimeout(std::chrono::milliseconds timeout, TimePoint now);
  std::chrono::milliseconds Timeout() const { return timeout_; }
  bool TimerRunning() const { return deadline_.has_value(); }

 private:
  bool granted_ = true;  // no relay online at start-up
  std::chrono::milliseconds timeout_ = kDefaultPasswordTimeout;
  std::optional<TimePoint> deadline_;
};

}  // namespace kvx
