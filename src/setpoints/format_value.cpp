#include "setpoints/format_value.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "setpoints/number_text.h"
#include "setpoints/option_list.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

std::string NumberForm(std::string_view text) {
  const auto v = ParseNumber(text);
  if (!v) return "Over Range";
  if (*v > 1e12 || *v < -1e12) return FormatScientific(*v);
  return FormatFixed(*v, 2);
}

std::string OptionForm(int code, std::string_view text) {
  const auto v = ParseNumber(text);
  if (!v) return "ERROR";
  const double i = std::floor(*v);
  const auto lines = OptionLines(code);
  // A code without a list behaves as the one-line list "Error".
  const std::size_t count = lines.empty() ? 1 : lines.size();
  if (i < 0 || i >= static_cast<double>(count)) return "ERROR";
  if (lines.empty()) return "Error";
  return std::string(lines[static_cast<std::size_t>(i)]);
}

// Dates and times travel as the decimal text of a single whose bit pattern
// holds the fields; a text that is no finite single shows "ERROR".
bool SinglePattern(std::string_view text, std::uint32_t& bits) {
  const auto v = ParseNumber(text);
  if (!v || std::fabs(*v) > std::numeric_limits<float>::max()) return false;
  bits = std::bit_cast<std::uint32_t>(static_cast<float>(*v));
  return true;
}

std::string TwoDigits(std::uint32_t v) {
  std::string s = std::to_string(v);
  if (s.size() < 2) s.insert(0, "0");
  return s;
}

std::string DateForm(std::string_view text) {
  std::uint32_t b = 0;
  if (!SinglePattern(text, b)) return "ERROR";
  return TwoDigits(b >> 16) + "/" + TwoDigits((b >> 8) & 0xFF) + "/" + TwoDigits(b & 0xFF);
}

std::string TimeForm(std::string_view text) {
  std::uint32_t b = 0;
  if (!SinglePattern(text, b)) return "ERROR";
  return TwoDigits(b >> 24) + ":" + TwoDigits((b >> 16) & 0xFF) + ":" + TwoDigits((b >> 8) & 0xFF);
}

std::string FlagForm(int code, std::string_view text) {
  const auto v = ParseNumber(text);
  if (!v || std::fabs(*v) > 4e9) return "ERROR";
  const int list = code >= 345 ? 79 : 27;
  const int base = (code - (code >= 345 ? 345 : 45)) * 16;
  const auto lines = OptionLines(list);
  const auto bits = static_cast<std::uint32_t>(static_cast<long long>(*v)) & 0xFFFFu;
  std::string out;
  for (int i = 0; i < 16; ++i) {
    if (bits & (1u << i)) {
      out += lines[static_cast<std::size_t>(base + i)];
      out += '\n';
    }
  }
  return out;
}

}  // namespace

std::string FormatValue(int typeCode, std::string_view valueText) {
  switch (DescribeTypeCode(typeCode).display) {
    case DisplayForm::Number:
      return NumberForm(valueText);
    case DisplayForm::Unchanged:
      return std::string(valueText);
    case DisplayForm::Date:
      return DateForm(valueText);
    case DisplayForm::Time:
      return TimeForm(valueText);
    case DisplayForm::OptionList:
      return OptionForm(typeCode, valueText);
    case DisplayForm::FlagNames:
      return FlagForm(typeCode, valueText);
    case DisplayForm::Error:
      break;
  }
  return "ERROR";
}

}  // namespace kvx
