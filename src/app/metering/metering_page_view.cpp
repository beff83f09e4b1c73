#include "app/metering/metering_page_view.h"

#include <QTableWidget>

#include "app/frame/frame_widgets.h"

namespace kvx {

MeteringPageView::MeteringPageView(QObject* owner, QWidget* page) : QObject(owner), page_(page) {
  page_->setObjectName(QStringLiteral("Metering_Tab"));
  const QStringList headers{QStringLiteral("Parameters"), QStringLiteral("Value"),
                            QStringLiteral("Units")};
  meterGrid_ = MakeGrid(page_, QStringLiteral("Meter_Grid"), headers, 1);
  rtdGrid_ = MakeGrid(page_, QStringLiteral("RTD_Grid"), headers, 1);
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
  PaintGrid(meterGrid_, colors);
  PaintGrid(rtdGrid_, colors);
}

}  // namespace kvx
