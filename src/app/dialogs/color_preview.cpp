#include "app/dialogs/color_preview.h"

#include <QPainter>

#include "app/frame/user_colors.h"

namespace kvx {
namespace {
constexpr int kColumnWidths[4] = {0, 115, 97, 58};
constexpr int kRowHeight = 20;
constexpr int kRows = 5;

const char* const kCells[kRows][3] = {
    {"Parameters", "Value", "Units"},  {"Overcurrent", "", ""},
    {"  Trip Action", "Disabled", ""}, {"  Trip Level", "10.00", "x Ip"},
    {"  Trip Delay", "0.05", "s"},
};
}  // namespace

ColorPreview::ColorPreview(QWidget* parent) : QWidget(parent) {}

QSize ColorPreview::sizeHint() const {
  int width = 1;
  for (int w : kColumnWidths) width += w ? w + 1 : 0;
  return {width, kRows * (kRowHeight + 1) + 1};
}

void ColorPreview::setColors(const QColor& cells, const QColor& fixed, const QColor& editable) {
  cells_ = cells;
  fixed_ = fixed;
  editable_ = editable;
  update();
}

void ColorPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), cells_);
  const QFont normal = font();
  QFont bold = normal;
  bold.setBold(true);
  for (int row = 0; row < kRows; ++row) {
    int x = 1;
    const int y = 1 + row * (kRowHeight + 1);
    for (int col = 1; col <= 3; ++col) {
      const int w = kColumnWidths[col];
      const QRect cell(x, y, w, kRowHeight);
      QColor fill = row == 0 ? fixed_ : cells_;
      if (col == 2 && row >= 2) fill = editable_;
      p.fillRect(cell, fill);
      p.setPen(QColor(0x80, 0x80, 0x80));
      p.drawRect(cell.adjusted(-1, -1, 0, 0));
      p.setFont(row == 1 && col == 1 ? bold : normal);
      // The text as the window draws it on these colours.
      p.setPen(row == 3 ? InkOn(kChangedColor, fill) : TextOn(fill));
      p.drawText(cell.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop,
                 QString::fromLatin1(kCells[row][col - 1]));
      x += w + 1;
    }
  }
}

}  // namespace kvx
