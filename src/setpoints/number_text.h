#pragma once
// Number texts that never depend on the process locale: value texts always use
// "." as the decimal separator, so printf/strtod/streams are never used here.

#include <optional>
#include <string>
#include <string_view>

namespace kvx {

// Reads a decimal number ("12", "-0.5", "1.5e13", "+3"), allowing surrounding
// blanks. Infinite or not-a-number texts, empty texts, trailing junk and
// values outside the double range are not numbers.
std::optional<double> ParseNumber(std::string_view text);

// Reads a whole decimal integer (no fraction, no exponent) that fits 32 bits.
std::optional<long long> ParseInteger(std::string_view text);

// Fixed form with exactly `decimals` decimals and at least one integer digit
// ("0.00": 2 -> "2.00"); halves round away from zero. Non-finite values give
// "INF", "-INF" or "NAN", which ParseNumber refuses.
std::string FormatFixed(double value, int decimals);

// The scientific form "0.0000 E+0": four mantissa decimals, a space, "E",
// the exponent's sign always shown, no leading zeros (1.5e13 -> "1.5000 E+13").
std::string FormatScientific(double value);

// General form with up to 15 significant digits (0.5 -> "0.5", 100 -> "100").
std::string FormatGeneral(double value);

// The shortest text that reads back as exactly `value` (for stored numbers).
std::string FormatShortest(double value);

// A firmware number in hundredths as the user sees it: 190 -> "1.90".
std::string FormatFirmware(long long hundredths);

}  // namespace kvx
