#include "shell/contrast.h"

#include <algorithm>
#include <cmath>

namespace kvx {
namespace {

double Linear(std::uint8_t channel) {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::uint8_t Mix(std::uint8_t from, std::uint8_t to, double share) {
  return static_cast<std::uint8_t>(std::lround(from + (to - from) * share));
}

}  // namespace

double RelativeLuminance(Rgb c) {
  return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}

double ContrastRatio(Rgb a, Rgb b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb TextColorOn(Rgb background) {
  const Rgb black{0, 0, 0};
  const Rgb white{255, 255, 255};
  return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

Rgb ReadableInk(Rgb preferred, Rgb background) {
  if (ContrastRatio(preferred, background) >= kStatusContrast) return preferred;
  const Rgb plain = TextColorOn(background);
  for (double share : {0.25, 0.5, 0.75}) {
    const Rgb blend{Mix(preferred.r, plain.r, share), Mix(preferred.g, plain.g, share),
                    Mix(preferred.b, plain.b, share)};
    if (ContrastRatio(blend, background) >= kReadableContrast) return blend;
  }
  return plain;
}

}  // namespace kvx
