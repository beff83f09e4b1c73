#pragma once
// Colour texts of the preferences: a colour name ("clSilver") when the colour
// has one, otherwise "$00BBGGRR" in upper-case hexadecimal.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct NamedColor {
  const char* name;
  Rgb rgb;
};

// The colours the colour boxes offer, in the order they offer them.
const std::vector<NamedColor>& NamedColors();

// Name or "$00BBGGRR" form of `rgb`.
std::string ColorToText(Rgb rgb);

// Reads a colour name (the offered ones and the platform's system colour
// names, case-insensitive), "$" with up to eight hexadecimal digits, or a
// decimal number, both holding 00BBGGRR. Nothing when the text is none of those.
std::optional<Rgb> ColorFromText(std::string_view text);

// ColorFromText, or `fallback` when the text cannot be read, so that a damaged
// preference value never stops the program from starting.
Rgb ColorFromTextOr(std::string_view text, Rgb fallback);

}  // namespace kvx
