#pragma once
// The arithmetic behind the numeric spin edit: how a value is shown, how a
// typed text is read back, clamping and the arrow steps. Locale-independent:
// "." is the decimal separator whatever the process locale says.

#include <optional>
#include <string>
#include <string_view>

namespace kvx {

enum class SpinDisplayType { Float = 0, Exponent = 1, Auto = 2 };

// printf's "%.*f%s", "%.*e%s" or "%.*g%s" with `precision`, `value` and
// `units`. A negative precision means printf's default of 6; very large
// precisions are capped so the text stays bounded.
std::string FormatSpinText(double value, int precision, SpinDisplayType type,
                           std::string_view units);

// The leading number of `text` as single precision, the way strtof reads it:
// leading blanks skipped, reading stops at the first character that cannot
// continue the number (so trailing units are ignored). Nothing when the text
// does not start with a number.
std::optional<float> ParseLeadingFloat(std::string_view text);

// `text` with a comma typed as the decimal separator ("7,5") read as the
// point it stands for; a text that already has a point is left as it is.
std::string WithDecimalPoint(std::string_view text);

// The value a read of `number` leaves: the number within [min, max], max
// above it, min below it or when it is not a number.
double ClampToLimits(double number, double min, double max);

// The value after an arrow press, starting from the value just read.
double StepUp(double value, double increment, double min, double max, bool wrap);
double StepDown(double value, double increment, double min, double max, bool wrap);

// Whether a commit (Enter, focus leaving the text) changed the value: the
// values are compared at single precision, so that a value the text shows
// exactly does not count as a change.
bool ChangedAtSinglePrecision(double before, double after);

}  // namespace kvx
