#include "reports/compare_print.h"

#include <algorithm>

#include "reports/setpoint_report.h"

namespace kvx {
namespace {

// Grid columns 1..7 and where they print (column 4 is the separator).
constexpr int kColumnAt[kCompareColumns] = {-1, 1, 30, 40, -1, 50, 80, 90};

}  // namespace

PrintPlan BuildComparePrintPlan(const std::string& date, const std::string& leftName,
                                const std::string& rightName, const CompareGrid& grid,
                                int linesPerPage) {
  // Rows start on line 5 of a later page: a page must hold at least one.
  const int P = std::max(linesPerPage, 6);
  PrintPlan plan;
  plan.pages.emplace_back();
  auto put = [&](int line, int column, const std::string& text) {
    plan.pages.back().items.push_back({line, column, text});
  };
  auto putRow = [&](int line, std::size_t row) {
    if (row >= grid.rows.size()) return;
    for (int c = 1; c < kCompareColumns; ++c) {
      if (kColumnAt[c] >= 0) put(line, kColumnAt[c], grid.rows[row][static_cast<std::size_t>(c)]);
    }
  };
  put(2, 1, kBrandLine);
  put(2, 90, date);
  put(4, 1, leftName);
  put(4, 50, rightName);
  for (std::size_t r = 0; r < 3; ++r) putRow(5 + static_cast<int>(r), r);
  int line = 9;
  int page = 1;
  for (std::size_t r = 3; r < grid.rows.size(); ++r) {
    if (line >= P) {
      put(P + 1, 90, "Page " + std::to_string(page));
      ++page;
      plan.pages.emplace_back();
      put(2, 1, leftName);
      put(2, 50, rightName);
      putRow(3, 2);
      line = 5;
    }
    putRow(line, r);
    ++line;
  }
  put(P + 1, 90, "Page " + std::to_string(page));
  return plan;
}

}  // namespace kvx
