#include "shell/colors.h"

#include <charconv>
#include <cstdio>

namespace kvx {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// System colour names keep a fixed look here: there is no platform palette
// behind them on every system, and a stable colour beats a guessed one.
const std::vector<NamedColor>& SystemColors() {
  static const std::vector<NamedColor> colors = {
      {"clScrollBar", {0xC8, 0xC8, 0xC8}},     {"clBackground", {0x00, 0x00, 0x00}},
      {"clActiveCaption", {0x99, 0xB4, 0xD1}}, {"clInactiveCaption", {0xBF, 0xCD, 0xDB}},
      {"clMenu", {0xF0, 0xF0, 0xF0}},          {"clWindow", {0xFF, 0xFF, 0xFF}},
      {"clWindowFrame", {0x64, 0x64, 0x64}},   {"clMenuText", {0x00, 0x00, 0x00}},
      {"clWindowText", {0x00, 0x00, 0x00}},    {"clCaptionText", {0x00, 0x00, 0x00}},
      {"clActiveBorder", {0xB4, 0xB4, 0xB4}},  {"clInactiveBorder", {0xF4, 0xF7, 0xFC}},
      {"clAppWorkSpace", {0xAB, 0xAB, 0xAB}},  {"clHighlight", {0x00, 0x78, 0xD7}},
      {"clHighlightText", {0xFF, 0xFF, 0xFF}}, {"clBtnFace", {0xF0, 0xF0, 0xF0}},
      {"clBtnShadow", {0xA0, 0xA0, 0xA0}},     {"clGrayText", {0x6D, 0x6D, 0x6D}},
      {"clBtnText", {0x00, 0x00, 0x00}},       {"clInactiveCaptionText", {0x00, 0x00, 0x00}},
      {"clBtnHighlight", {0xFF, 0xFF, 0xFF}},  {"cl3DDkShadow", {0x69, 0x69, 0x69}},
      {"cl3DLight", {0xE3, 0xE3, 0xE3}},       {"clInfoText", {0x00, 0x00, 0x00}},
      {"clInfoBk", {0xFF, 0xFF, 0xE1}},
  };
  return colors;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
  std::uint32_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (!text.empty() && text.front() == '$') {
    if (text.size() < 2 || text.size() > 9) return std::nullopt;
    auto [p, ec] = std::from_chars(first + 1, last, value, 16);
    if (ec != std::errc() || p != last) return std::nullopt;
    return value;
  }
  if (text.empty() || text.size() > 10) return std::nullopt;
  auto [p, ec] = std::from_chars(first, last, value, 10);
  if (ec != std::errc() || p != last) return std::nullopt;
  return value;
}

}  // namespace

const std::vector<NamedColor>& NamedColors() {
  static const std::vector<NamedColor> colors = {
      {"clBlack", {0x00, 0x00, 0x00}},      {"clMaroon", {0x80, 0x00, 0x00}},
      {"clGreen", {0x00, 0x80, 0x00}},      {"clOlive", {0x80, 0x80, 0x00}},
      {"clNavy", {0x00, 0x00, 0x80}},       {"clPurple", {0x80, 0x00, 0x80}},
      {"clTeal", {0x00, 0x80, 0x80}},       {"clGray", {0x80, 0x80, 0x80}},
      {"clSilver", {0xC0, 0xC0, 0xC0}},     {"clRed", {0xFF, 0x00, 0x00}},
      {"clLime", {0x00, 0xFF, 0x00}},       {"clYellow", {0xFF, 0xFF, 0x00}},
      {"clBlue", {0x00, 0x00, 0xFF}},       {"clFuchsia", {0xFF, 0x00, 0xFF}},
      {"clAqua", {0x00, 0xFF, 0xFF}},       {"clWhite", {0xFF, 0xFF, 0xFF}},
      {"clMoneyGreen", {0xC0, 0xDC, 0xC0}}, {"clSkyBlue", {0xA6, 0xCA, 0xF0}},
      {"clCream", {0xFF, 0xFB, 0xF0}},      {"clMedGray", {0xA0, 0xA0, 0xA4}},
  };
  return colors;
}

std::string ColorToText(Rgb rgb) {
  for (const auto& c : NamedColors()) {
    if (c.rgb == rgb) return c.name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "$00%02X%02X%02X", rgb.b, rgb.g, rgb.r);
  return text;
}

std::optional<Rgb> ColorFromText(std::string_view text) {
  for (const auto& c : NamedColors()) {
    if (EqualsNoCase(text, c.name)) return c.rgb;
  }
  for (const auto& c : SystemColors()) {
    if (EqualsNoCase(text, c.name)) return c.rgb;
  }
  auto number = ParseNumber(text);
  // The top byte carries no colour; a set top byte is a system colour index
  // or "no colour" elsewhere, neither of which this program can show.
  if (!number || (*number >> 24) != 0) return std::nullopt;
  return Rgb{static_cast<std::uint8_t>(*number & 0xFF),
             static_cast<std::uint8_t>((*number >> 8) & 0xFF),
             static_cast<std::uint8_t>((*number >> 16) & 0xFF)};
}

Rgb ColorFromTextOr(std::string_view text, Rgb fallback) {
  return ColorFromText(text).value_or(fallback);
}

}  // namespace kvx
