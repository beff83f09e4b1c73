#include "monitor/clock_text.h"

#include <cctype>

#include "comm/relay_registers.h"
#include "monitor/command_list.h"
#include "setpoints/register_values.h"

namespace kvx {
namespace {

constexpr int kClockTextType = 31;

std::string TwoDigits(int v) {
  std::string s = std::to_string(v);
  if (v >= 0 && s.size() < 2) s.insert(0, "0");
  return s;
}

}  // namespace

std::string ClockText(const ClockFields& f) {
  return TwoDigits(f.year - 2000) + "/" + TwoDigits(f.month) + "/" + TwoDigits(f.day) + " " +
         TwoDigits(f.hour) + ":" + TwoDigits(f.minute) + ":" + TwoDigits(f.second);
}

ClockFields LocalClockFields(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool IsClockText(std::string_view text) {
  constexpr std::string_view kPattern = "dd/dd/dd dd:dd:dd";
  if (text.size() != kPattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) return false;
  }
  return true;
}

ClockSetResult SetRelayClock(CommSettings& settings, const std::string& text) {
  ClockSetResult r;
  r.written = WriteSetting(settings, relay_reg::kClockSet, kClockTextType, text, r.failure);
  if (!r.written) return r;
  r.commandSent = SendDeviceCommand(settings, kCommandSetClock, r.failure);
  return r;
}

}  // namespace kvx
