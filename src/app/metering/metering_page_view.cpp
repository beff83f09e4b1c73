#include "app/metering/metering_page_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QWheelEvent>

#include "app/frame/frame_widgets.h"
#include "monitor/metering_model.h"

namespace kvx {
namespace {

// The grid's columns: the register (hidden), then name, value and units.
constexpr int kGridColumns = 4;

QTableWidgetItem* ItemAt(QTableWidget* grid, int row, int column) {
  QTableWidgetItem* item = grid->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled);  // nothing to select
    grid->setItem(row, column, item);
  }
  return item;
}

void SetText(QTableWidgetItem* item, const std::string& text) {
  const QString q = QString::fromStdString(text);
  if (item->text() != q) item->setText(q);
}

struct RowLook {
  bool heading = false;   // bold
  bool inactive = false;  // drawn in the background colour: blank
};

void Fill(QTableWidget* grid, const std::vector<GridRow>& rows, bool rtd, bool failed,
          const UserColors& colors) {
  grid->setUpdatesEnabled(false);
  if (grid->rowCount() != static_cast<int>(rows.size())) {
    grid->setRowCount(static_cast<int>(rows.size()));
  }
  const QColor text = failed ? kErrorColor : QColor(Qt::black);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const GridRow& row = rows[static_cast<std::size_t>(r)];
    RowLook look;
    if (rtd && row[meter_col::kRowState] == "1") {
      look.inactive = true;
    } else if (rtd) {
      look.heading = row[meter_col::kRegister].empty();
    } else {
      look.heading = row[meter_col::kRegister].empty() && row[meter_col::kValue].empty();
    }
    for (int c = 0; c < kGridColumns; ++c) {
      QTableWidgetItem* item = ItemAt(grid, r, c);
      SetText(item, row[static_cast<std::size_t>(c)]);
      QFont f = item->font();
      if (f.bold() != look.heading) {
        f.setBold(look.heading);
        item->setFont(f);
      }
      const QColor fill = !look.inactive && !look.heading && c == meter_col::kValue
                              ? colors.fixedbox
                              : colors.background;
      if (item->background().color() != fill) item->setBackground(fill);
      const QColor ink = look.inactive ? colors.background : text;
      if (item->foreground().color() != ink) item->setForeground(ink);
    }
  }
  grid->setUpdatesEnabled(true);
}

}  // namespace

MeteringPageView::MeteringPageView(QObject* owner, QWidget* page) : QObject(owner), page_(page) {
  page_->setObjectName(QStringLiteral("Metering_Tab"));
  const QStringList headers{QStringLiteral("Parameters"), QStringLiteral("Value"),
                            QStringLiteral("Units")};
  meterGrid_ = MakeGrid(page_, QStringLiteral("Meter_Grid"), headers, 1);
  rtdGrid_ = MakeGrid(page_, QStringLiteral("RTD_Grid"), headers, 1);
  for (QTableWidget* grid : {meterGrid_, rtdGrid_}) {
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->verticalHeader()->setDefaultSectionSize(21);
    grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid->viewport()->installEventFilter(this);
  }
}

void MeteringPageView::LayOut(const MainLayout& m) {
  meterGrid_->setGeometry(m.meterGrid.left, m.meterGrid.top, m.meterGrid.width, m.meterGrid.height);
  rtdGrid_->setGeometry(m.rtdGrid.left, m.rtdGrid.top, m.rtdGrid.width, m.rtdGrid.height);
  for (QTableWidget* grid : {meterGrid_, rtdGrid_}) {
    const int cols = (grid->width() - 4) / 3;
    grid->setColumnWidth(1, cols + (grid->width() - 4) % 3 + cols / 2);
    grid->setColumnWidth(2, cols);
    grid->setColumnWidth(3, cols / 2);
  }
}

void MeteringPageView::ApplyColors(const UserColors& colors) {
  colors_ = colors;
  PaintGrid(meterGrid_, colors);
  PaintGrid(rtdGrid_, colors);
}

void MeteringPageView::Render(const MeteringModel& model) {
  Fill(meterGrid_, model.MeterRows(), false, model.Failed(), colors_);
  Fill(rtdGrid_, model.RtdRows(), true, model.Failed(), colors_);
}

bool MeteringPageView::eventFilter(QObject* watched, QEvent* event) {
  // The wheel moves one row a notch: down while rows remain below, up while
  // the first row is not at the top.
  if (event->type() != QEvent::Wheel) return false;
  for (QTableWidget* grid : {meterGrid_, rtdGrid_}) {
    if (watched != grid->viewport()) continue;
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if (delta == 0) return false;
    QScrollBar* bar = grid->verticalScrollBar();
    bar->setValue(bar->value() + (delta < 0 ? 1 : -1));
    return true;
  }
  return false;
}

}  // namespace kvx
