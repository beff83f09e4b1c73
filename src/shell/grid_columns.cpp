#include "shell/grid_columns.h"

#include <algorithm>
#include <numeric>

namespace kvx {

std::vector<int> FitColumnWidths(const std::vector<int>& preferred, const std::vector<int>& minimum,
                                 int available) {
  const std::size_t n = preferred.size();
  std::vector<int> widths(n, 0);
  if (n == 0 || minimum.size() != n) return widths;
  const long long minSum = std::accumulate(minimum.begin(), minimum.end(), 0LL);
  if (available <= minSum) return minimum;
  // Columns held at their minimum leave the rest to share the remaining room
  // by their preferred widths; a column whose share falls below its minimum
  // joins the held ones and the others share again.
  std::vector<bool> held(n, false);
  for (std::size_t pass = 0; pass <= n; ++pass) {
    long long room = available;
    long long weight = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (held[i]) {
        room -= minimum[i];
      } else {
        weight += std::max(preferred[i], 1);
      }
    }
    bool again = false;
    for (std::size_t i = 0; i < n; ++i) {
      if (held[i]) {
        widths[i] = minimum[i];
        continue;
      }
      widths[i] = weight > 0 ? static_cast<int>(room * std::max(preferred[i], 1) / weight) : 0;
      if (widths[i] < minimum[i]) {
        held[i] = true;
        again = true;
      }
    }
    if (!again) break;
  }
  // What the rounding left goes to the last column that is not held.
  const long long used = std::accumulate(widths.begin(), widths.end(), 0LL);
  for (std::size_t i = n; i-- > 0;) {
    if (!held[i]) {
      widths[i] += static_cast<int>(available - used);
      break;
    }
  }
  return widths;
}

int ClampTreeWidth(int wanted, int pageWidth, int minTree, int minGrid) {
  return std::max(minTree, std::min(wanted, pageWidth - minGrid));
}

}  // namespace kvx
