#pragma once
// A printout as plain data: pages of texts at a line number and a column
// position in hundredths of the printable width. The printer front end turns
// a line into line x text height and a column into (width / 100) x column.

#include <string>
#include <vector>

namespace kvx {

struct PrintItem {
  int line = 0;
  int column = 0;  // hundredths of the page width
  std::string text;
  bool operator==(const PrintItem&) const = default;
};

struct PrintPage {
  std::vector<PrintItem> items;
};

struct PrintPlan {
  std::vector<PrintPage> pages;
};

// The lines a page holds for a given page height and text height (both in
// device pixels): the bottom 400 pixels are kept free. At least 8 lines, so
// that a tiny page still makes progress.
int PrintLinesPerPage(int pageHeight, int lineHeight);

}  // namespace kvx
