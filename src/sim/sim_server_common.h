#pragma once
// What the TCP and RTU servers of the simulator share: their options, the
// result of starting one, and the pipe that wakes a server thread to stop.

#include <chrono>
#include <string>

#include "sim/fault_injector.h"

namespace kvx::sim {

struct ServerOptions {
  int unit = 254;    // the relay's own address (Modbus slave / TCP unit id)
  int paceBaud = 0;  // RTU: send reply bytes at this line speed; 0 = at once
  // TCP: a client that sends nothing (and waits for nothing) this long is closed.
  std::chrono::milliseconds idleTimeout{60000};
  FaultOptions faults;
};

struct SimStatus {
  bool ok = true;
  std::string error;
  static SimStatus Fail(std::string text) { return {false, std::move(text)}; }
};

// A self-pipe: Signal() from any thread makes the read end readable.
class WakePipe {
 public:
  WakePipe();
  ~WakePipe();
  WakePipe(const WakePipe&) = delete;
  WakePipe& operator=(const WakePipe&) = delete;

  bool Valid() const { return fds_[0] >= 0; }
  int ReadFd() const { return fds_[0]; }
  void Signal();
  // Sleeps up to `duration`; true when woken (stop asked) instead.
  bool SleepFor(std::chrono::steady_clock::duration duration) const;
  bool Signalled() const;

 private:
  int fds_[2] = {-1, -1};
};

}  // namespace kvx::sim
