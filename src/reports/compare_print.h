#pragma once
// The printout of a file comparison.

#include <string>

#include "reports/print_plan.h"
#include "setpoints/file_compare.h"

namespace kvx {

// `linesPerPage` is P = (page height - 400) / line height.
PrintPlan BuildComparePrintPlan(const std::string& date, const std::string& leftName,
                                const std::string& rightName, const CompareGrid& grid,
                                int linesPerPage);

}  // namespace kvx
