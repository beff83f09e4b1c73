#include "shell/spin_value.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace kvx {
namespace {

constexpr int kMaxPrecision = 60;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool StartsWithNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// Length of the longest prefix of `text` that is a decimal floating-point
// number (digits, optional fraction, optional complete exponent).
std::size_t DecimalNumberLength(std::string_view text) {
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

}  // namespace

std::string FormatSpinText(double value, int precision, SpinDisplayType type,
                           std::string_view units) {
  if (precision < 0) precision = 6;
  if (precision > kMaxPrecision) precision = kMaxPrecision;
  std::chars_format format = std::chars_format::fixed;
  if (type == SpinDisplayType::Exponent) format = std::chars_format::scientific;
  if (type == SpinDisplayType::Auto) format = std::chars_format::general;
  // Room for the widest fixed text: 309 integer digits, the point, the
  // fraction and a sign.
  std::array<char, 400> buffer{};
  std::string text;
  if (std::isnan(value)) {
    text = std::signbit(value) ? "-nan" : "nan";
  } else {
    auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
    if (ec == std::errc()) text.assign(buffer.data(), end);
  }
  text.append(units);
  return text;
}

std::string WithDecimalPoint(std::string_view text) {
  std::string result(text);
  if (result.find('.') != std::string::npos) return result;
  const std::size_t comma = result.find(',');
  if (comma != std::string::npos) result[comma] = '.';
  return result;
}

std::optional<float> ParseLeadingFloat(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  text.remove_prefix(i);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const float sign = negative ? -1.0f : 1.0f;
  if (StartsWithNoCase(text, "inf")) return sign * std::numeric_limits<float>::infinity();
  if (StartsWithNoCase(text, "nan")) return std::numeric_limits<float>::quiet_NaN();
  std::size_t length = DecimalNumberLength(text);
  if (length == 0) return std::nullopt;
  float value = 0.0f;
  auto [p, ec] = std::from_chars(text.data(), text.data() + length, value);
  if (ec == std::errc::result_out_of_range) {
    // Like strtof: too large becomes infinity, too small becomes zero.
    double wide = 0.0;
    auto r = std::from_chars(text.data(), text.data() + length, wide);
    if (r.ec == std::errc()) {
      value = static_cast<float>(wide);
    } else {
      std::string_view digits = text.substr(0, length);
      auto e = digits.find_first_of("eE");
      bool tiny = e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
      value = tiny ? 0.0f : std::numeric_limits<float>::infinity();
    }
  } else if (ec != std::errc()) {
    return std::nullopt;
  }
  return sign * value;
}

double ClampToLimits(double number, double min, double max) {
  if (min <= number && number <= max) return number;
  if (number > max) return max;
  return min;
}

double StepUp(double value, double increment, double min, double max, bool wrap) {
  if (value + increment > max) return wrap ? min : max;
  return value + increment;
}

double StepDown(double value, double increment, double min, double max, bool wrap) {
  if (value - increment >= min) return value - increment;
  return wrap ? max : min;
}

bool ChangedAtSinglePrecision(double before, double after) {
  return static_cast<double>(static_cast<float>(before)) != after;
}

}  // namespace kvx
