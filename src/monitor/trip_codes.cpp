#include "monitor/trip_codes.h"

#include <vector>

#include "comm/register_access_report.h"
#include "setpoints/format_value.h"
#include "setpoints/packet_counters.h"

namespace kvx {
namespace {

std::string TrimEnd(std::string s) {
  while (!s.empty() &&
         (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
    s.pop_back();
  }
  return s;
}

}  // namespace

int TripCodeRegisterCount(int family) {
  return family == 1 ? 5 : 15;
}

int TripCodeType(int family, int index) {
  if (family == 1) return 27;
  return (family == 3 ? 345 : 45) + index;
}

std::vector<std::string> TripCodeLines(int family, std::span<const std::uint16_t> words) {
  std::vector<std::string> lines;
  const int count = TripCodeRegisterCount(family);
  for (int i = 0; i < count && i < static_cast<int>(words.size()); ++i) {
    const std::string text = TrimEnd(
        FormatValue(TripCodeType(family, i), std::to_string(words[static_cast<std::size_t>(i)])));
    // A bit map gives one line per set bit.
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = TrimEnd(text.substr(start, end - start));
      if (!line.empty() && line != kNoTripCode) lines.push_back(std::move(line));
      start = end + 1;
    }
  }
  return lines;
}

bool ReadTripCodes(CommSettings& settings, int family, std::vector<std::string>& lines,
                   CommFailure& why) {
  const int count = TripCodeRegisterCount(family);
  std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
  AccessReport report = ReadRegistersReport(settings, kTripCodeFirst, count, words);
  CountPacket(report.ok);
  why = FailureOf(report);
  if (!report.ok) return false;
  lines = TripCodeLines(family, words);
  return true;
}

}  // namespace kvx
