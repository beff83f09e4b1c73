#include "sim/relay_definition.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "setpoints/type_codes.h"

namespace kvx::sim {
namespace {

enum class ValueForm { Float, Int32, Word, Text, Date, Opaque };

ValueForm FormOf(int c) {
  if (c == 1) return ValueForm::Float;
  if (c == 2) return ValueForm::Int32;
  if (c == 22 || c == 31) return ValueForm::Text;
  if (c == 23) return ValueForm::Date;
  if (c == 3 || c == 28 || c == 30 || c == 35 || c == 36 || IsListTypeCode(c))
    return ValueForm::Word;
  return ValueForm::Opaque;
}

bool ParseNumber(const std::string& text, double& out) {
  const char* b = text.data();
  const char* e = b + text.size();
  while (b < e && *b == ' ') ++b;
  if (b < e && *b == '+') ++b;
  auto [p, ec] = std::from_chars(b, e, out);
  return ec == std::errc() && p != b;
}

// A double as the nearest single; beyond the single's range that is an infinity
// (a plain cast of such a value is undefined).
float ToSingle(double v) {
  if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<float>::max())
    return v > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  return static_cast<float>(v);
}

// "d/m/y" with whole numbers that fit an int; anything else is not a date.
bool ParseDate(const std::string& text, int& d, int& m, int& y) {
  const char* p = text.data();
  const char* e = p + text.size();
  int* parts[3] = {&d, &m, &y};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (p == e || *p != '/') return false;
      ++p;
    }
    auto [next, ec] = std::from_chars(p, e, *parts[i]);
    if (ec != std::errc() || next == p) return false;
    p = next;
  }
  return true;
}

}  // namespace

int RegisterSpan(int typeCode) {
  switch (FormOf(typeCode)) {
    case ValueForm::Float:
    case ValueForm::Int32:
    case ValueForm::Date:
      return 2;
    case ValueForm::Text:
      return 10;
    default:
      return 1;
  }
}

std::vector<std::uint16_t> EncodeValue(int typeCode, const std::string& valueText) {
  std::vector<std::uint16_t> words(static_cast<std::size_t>(RegisterSpan(typeCode)), 0);
  double v = 0;
  switch (FormOf(typeCode)) {
    case ValueForm::Float: {
      if (!ParseNumber(valueText, v)) break;
      auto bits = std::bit_cast<std::uint32_t>(ToSingle(v));
      words[0] = static_cast<std::uint16_t>(bits & 0xFFFF);
      words[1] = static_cast<std::uint16_t>(bits >> 16);
      break;
    }
    case ValueForm::Int32: {
      if (!ParseNumber(valueText, v) || !std::isfinite(v)) break;
      double t = std::trunc(v);
      t = std::clamp(t, -2147483648.0, 2147483647.0);
      auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(t));
      words[0] = static_cast<std::uint16_t>(bits & 0xFFFF);
      words[1] = static_cast<std::uint16_t>(bits >> 16);
      break;
    }
    case ValueForm::Word:
    case ValueForm::Opaque: {
      if (!ParseNumber(valueText, v) || !std::isfinite(v)) break;
      double r = std::round(v);  // halves away from zero
      r = std::clamp(r, -2147483648.0, 2147483647.0);
      words[0] = static_cast<std::uint16_t>(static_cast<std::int64_t>(r) & 0xFFFF);
      break;
    }
    case ValueForm::Text: {
      for (std::size_t i = 0; i < valueText.size() && i < 20; ++i) {
        auto c = static_cast<std::uint8_t>(valueText[i]);
        words[i / 2] |= static_cast<std::uint16_t>(i % 2 == 0 ? c << 8 : c);
      }
      break;
    }
    case ValueForm::Date: {
      // day/month/year, the form the program reads a date register pair as
      int d = 0, m = 0, y = 0;
      if (ParseDate(valueText, d, m, y)) {
        words[0] = static_cast<std::uint16_t>(((m & 0xFF) << 8) | (d & 0xFF));
        words[1] = static_cast<std::uint16_t>(y & 0xFFFF);
      }
      break;
    }
  }
  return words;
}

bool WithinLimits(const SimSetting& s, const std::uint16_t* w) {
  switch (FormOf(s.typeCode)) {
    case ValueForm::Float: {
      // Compare in single precision: a master writing MAX itself (0.1, say)
      // sends the float nearest to it, which as a double lies just above.
      float v = std::bit_cast<float>(static_cast<std::uint32_t>(w[0] | (w[1] << 16)));
      if (!std::isfinite(v)) return false;
      return v >= ToSingle(s.min) && v <= ToSingle(s.max);
    }
    case ValueForm::Int32: {
      auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(w[0] | (w[1] << 16)));
      return v >= s.min && v <= s.max;
    }
    case ValueForm::Word:
      return w[0] >= s.min && w[0] <= s.max;
    default:
      return true;
  }
}

}  // namespace kvx::sim
