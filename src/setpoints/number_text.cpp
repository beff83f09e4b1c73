#include "setpoints/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace kvx {
namespace {

std::string_view Trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

std::string NonFinite(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

std::string ToChars(double value, std::chars_format fmt, int precision) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, fmt, precision);
  return std::string(buf, r.ptr);
}

// to_chars rounds an exact binary tie to even; users expect 0.125 -> "0.13".
// A tie shows as the digit 5 followed only by zeros well past the last kept
// digit; in that case format the next double away from zero instead.
double NudgeTie(double value, std::chars_format fmt, int precision) {
  const std::string wide = ToChars(value, fmt, precision + 30);
  std::size_t end = wide.find('e');
  if (end == std::string::npos) end = wide.size();
  const std::size_t dot = wide.find('.');
  if (dot == std::string::npos) return value;
  const std::size_t first = dot + 1 + static_cast<std::size_t>(precision);
  if (first >= end || wide[first] != '5') return value;
  for (std::size_t i = first + 1; i < end; ++i) {
    if (wide[i] != '0') return value;
  }
  return std::nextafter(value, value < 0 ? -std::numeric_limits<double>::infinity()
                                         : std::numeric_limits<double>::infinity());
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  double value = 0;
  const auto r =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<long long> ParseInteger(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  long long value = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    return std::nullopt;
  return value;
}

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) return NonFinite(value);
  value = NudgeTie(value, std::chars_format::fixed, decimals);
  std::string s = ToChars(value, std::chars_format::fixed, decimals);
  // "-0.00" reads oddly for a value that rounds to zero.
  if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string FormatScientific(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  value = NudgeTie(value, std::chars_format::scientific, 4);
  const std::string s = ToChars(value, std::chars_format::scientific, 4);
  const std::size_t e = s.find('e');
  std::string out = s.substr(0, e);
  out += " E";
  out += s[e + 1];  // sign
  std::string_view exponent(s);
  exponent.remove_prefix(e + 2);
  while (exponent.size() > 1 && exponent.front() == '0') exponent.remove_prefix(1);
  out += exponent;
  return out;
}

std::string FormatGeneral(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";  // never "-0"
  return ToChars(value, std::chars_format::general, 15);
}

std::string FormatShortest(double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  if (value == 0) return "0";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

std::string FormatFirmware(long long hundredths) {
  // Whole-number arithmetic: 195 * 0.01 is not exactly 1.95 in binary.
  const bool negative = hundredths < 0;
  const unsigned long long v =
      negative ? 0ULL - static_cast<unsigned long long>(hundredths) : hundredths;
  std::string cents = std::to_string(v % 100);
  if (cents.size() < 2) cents.insert(0, "0");
  return (negative ? "-" : "") + std::to_string(v / 100) + "." + cents;
}

}  // namespace kvx
