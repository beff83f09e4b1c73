#include "sim/relay_clock.h"

#include <cstdio>
#include <ctime>

namespace kvx::sim {
namespace {

// Local wall time as seconds on a UTC-like scale, so that adding an offset
// and breaking it down again never meets a DST jump.
std::int64_t LocalSeconds(TimePoint now) {
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  return static_cast<std::int64_t>(timegm(&tm));
}

}  // namespace

RelayTime RelayClock::At(TimePoint now) const {
  auto t = static_cast<std::time_t>(LocalSeconds(now) + offsetSeconds_);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool RelayClock::Set(const std::string& text, TimePoint now) {
  int yy, mo, dd, hh, mi, ss;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%2d/%2d/%2d %2d:%2d:%2d%c", &yy, &mo, &dd, &hh, &mi, &ss, &tail) !=
      6) {
    return false;
  }
  if (yy < 0 || yy > 99 || mo < 1 || mo > 12 || dd < 1 || dd > 31 || hh < 0 || hh > 24 || mi < 0 ||
      mi > 59 || ss < 0 || ss > 59) {
    return false;
  }
  std::tm tm{};
  tm.tm_year = yy + 100;
  tm.tm_mon = mo - 1;
  tm.tm_mday = dd;
  tm.tm_hour = hh;
  tm.tm_min = mi;
  tm.tm_sec = ss;
  offsetSeconds_ = static_cast<std::int64_t>(timegm(&tm)) - LocalSeconds(now);
  return true;
}

std::uint16_t ClockHighWord(const RelayTime& t) {
  return static_cast<std::uint16_t>((t.hour << 8) | t.minute);
}

std::uint16_t ClockLowWord(const RelayTime& t) {
  return static_cast<std::uint16_t>(t.second << 8);
}

}  // namespace kvx::sim
