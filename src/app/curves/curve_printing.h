#pragma once
// Printing of the curve windows: the Data Points table as text pages, and
// the date line of a printed chart.

#include <QDate>
#include <QString>

#include "curves/curve_common.h"

class QPrinter;

namespace kvx {

// "Sept 5, 2026": the printed chart's date, with the month names the
// printouts have always used.
QString PrintedDate(const QDate& date);

struct PointsPrintout {
  QString title;    // the title box's text
  QString heading;  // "Group 1 Data Points", "Group 2 Data Points", "Protection Curves"
  PointsTable table;
};

// Prints `printout` on `printer` (already set up): the brand line, title and
// date on line 2, the heading and the label on line 3, the header row from
// line 5 (wrapped, repeated from line 2 on every later page), one line per
// row, "Page N" at the foot of every page. False when the printer could not
// be started or a page not begun.
bool PrintPointsTable(QPrinter& printer, const PointsPrintout& printout);

}  // namespace kvx
