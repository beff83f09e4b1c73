#pragma once
// The text that sets the relay's clock, "YY/MM/DD hh:mm:ss" (YY = year -
// 2000), and setting it: the text to register 580, then command 4.

#include <ctime>
#include <string>
#include <string_view>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

struct ClockFields {
  int year = 2000;  // full year
  int month = 1;
  int day = 1;
  int hour = 1;
  int minute = 0;
  int second = 0;
};

// Each field with at least two digits. The relay takes hour 24 (the next
// day's midnight) and a day the month does not have, so neither is refused
// here.
std::string ClockText(const ClockFields& fields);
// The workstation's local time at `when`.
ClockFields LocalClockFields(std::time_t when);
// A text of the exact pattern "dd/dd/dd dd:dd:dd".
bool IsClockText(std::string_view text);

struct ClockSetResult {
  bool written = false;      // the text reached register 580
  bool commandSent = false;  // command 4 was acknowledged
  CommFailure failure;       // why the step that failed did
};

// Writes the text and then sends command 4. After a refused or failed write
// the command is not sent: it would set the clock from whatever text the
// relay held before.
ClockSetResult SetRelayClock(CommSettings& settings, const std::string& text);

}  // namespace kvx
