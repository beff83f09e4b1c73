#pragma once
// The relay's real-time clock: the workstation's local time plus the offset
// last set with the clock text and command 4.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace kvx::sim {

using TimePoint = std::chrono::system_clock::time_point;
using WallClock = std::function<TimePoint()>;

struct RelayTime {
  int year = 2000;  // full year
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class RelayClock {
 public:
  // The relay's time at wall-clock instant `now`.
  RelayTime At(TimePoint now) const;
  // Takes "YY/MM/DD hh:mm:ss" (YY = year - 2000; hour 24 rolls into the next
  // day) as the time at `now`. False, and no change, for any other text.
  bool Set(const std::string& text, TimePoint now);

 private:
  std::int64_t offsetSeconds_ = 0;
};

// Register 577 (hour high, minute low) and 576 (second high) of a time.
std::uint16_t ClockHighWord(const RelayTime& t);
std::uint16_t ClockLowWord(const RelayTime& t);

}  // namespace kvx::sim
