#pragma once
// Draws a PrintPlan on a printer: at 400 dots per inch (so that the 10 point
// report font is 55 device pixels high on every printer, and the page holds
// the same lines everywhere), "Times New Roman" 10 point fixed pitch; a line
// is the title's text height, a column a hundredth of the page width.

#include <QString>
#include <functional>
#include <string>

#include "reports/print_plan.h"

class QPrinter;

namespace kvx {

inline constexpr int kPrintResolution = 400;

// Prepares `printer` for the plan (resolution); call before its dialog.
void PreparePrinter(QPrinter& printer);

// Begins the document, builds the plan for the page's line count
// ((page height - 400) / line height), prints it and ends the document.
// False, with `error` set, when the printer refused.
bool PrintPlanOn(QPrinter& printer, const std::function<PrintPlan(int linesPerPage)>& build,
                 QString& error);

}  // namespace kvx
