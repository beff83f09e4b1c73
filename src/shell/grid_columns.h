#pragma once
// Column widths that fill a grid exactly, and the tree/grid split a drag
// leaves, so that no column hangs out of sight beside a grid that cannot
// scroll to it.

#include <vector>

namespace kvx {

// Widths for columns that together fill `available` pixels, in proportion to
// `preferred`, none below its `minimum` (same length as `preferred`). When
// even the minimums do not fit, the minimums (the grid then scrolls).
std::vector<int> FitColumnWidths(const std::vector<int>& preferred, const std::vector<int>& minimum,
                                 int available);

// The tree's width for a drag to `wanted` on a page `pageWidth` wide, leaving
// the tree at least `minTree` and the grid at least `minGrid` (the tree's
// minimum wins on a page too narrow for both).
int ClampTreeWidth(int wanted, int pageWidth, int minTree, int minGrid);

}  // namespace kvx
