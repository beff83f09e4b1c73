#pragma once
// What a test responder does with the next requests: answer properly, or
// answer in one of the faulty ways a real link shows.

#include <atomic>
#include <chrono>
#include <mutex>

namespace kvx::test {

enum class Fault {
  None,
  Silent,            // no reply at all
  BadCrc,            // RTU: last CRC byte flipped
  Truncate,          // reply one byte short
  GarbageBefore,     // RTU: stray bytes ahead of the reply
  Exception,         // exception reply (illegal data address)
  OtherUnit,         // reply carries another unit address
  WrongByteCount,    // RTU read: byte count field off by two
  Late,              // proper reply after `delay`
  Close,             // TCP: close the connection instead of replying
  Split,             // TCP: reply in two pieces with `delay` between
  Surplus,           // TCP: proper reply followed by one extra byte
  OtherTransaction,  // TCP: reply carries the previous transaction identifier
  WrongEcho,         // write reply echoes the register after the one written
};

class FaultPlan {
 public:
  // Applies `fault` to the next `times` requests (negative: until changed).
  void Set(Fault fault, int times = -1,
           std::chrono::milliseconds delay = std::chrono::milliseconds(0)) {
    std::lock_guard<std::mutex> hold(guard_);
    fault_ = fault;
    times_ = times;
    delay_ = delay;
  }
  // The fault for the request at hand (consumes one of `times`).
  Fault Next(std::chrono::milliseconds& delay) {
    std::lock_guard<std::mutex> hold(guard_);
    delay = delay_;
    Fault f = fault_;
    if (times_ > 0 && --times_ == 0) fault_ = Fault::None;
    return f;
  }

 private:
  std::mutex guard_;
  Fault fault_ = Fault::None;
  int times_ = -1;
  std::chrono::milliseconds delay_{0};
};

}  // namespace kvx::test
