#pragma once
// Text that stays readable whatever colours the user picks: the contrast of
// two colours as people see it (relative luminance, 1:1 to 21:1), black or
// white for plain text, and a status colour (blue changes, red errors) moved
// toward that when it would not read on its background.

#include "shell/colors.h"

namespace kvx {

// 0 for black to 1 for white, weighted as the eye sees the three primaries.
double RelativeLuminance(Rgb colour);
// 1 (none) to 21 (black on white), the same either way round.
double ContrastRatio(Rgb a, Rgb b);

// Black or white, whichever reads better on `background`.
Rgb TextColorOn(Rgb background);

inline constexpr double kReadableContrast = 4.5;  // what small plain text needs
// A status colour keeps its own hue down to this: the default look has red
// on silver at 2.2:1, and its bold panel texts read there.
inline constexpr double kStatusContrast = 2.0;

// `preferred` when it keeps kStatusContrast on `background`, else the first
// of it blended a quarter, half, three quarters of the way toward
// TextColorOn(background) that reaches kReadableContrast, else that colour:
// blue on navy turns light blue, not white, so a changed value still looks
// changed.
Rgb ReadableInk(Rgb preferred, Rgb background);

}  // namespace kvx
