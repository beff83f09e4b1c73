#include "app/events/events_page_view.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "app/frame/frame_widgets.h"

namespace kvx {
namespace {

constexpr int kBarHeight = 34;

}  // namespace

EventsPageView::EventsPageView(QObject* owner, QWidget* page) : QObject(owner), page_(page) {
  page_->setObjectName(QStringLiteral("TabSheet3"));
  eventsGrid_ =
      MakeGrid(page_, QStringLiteral("Events_Grid"),
               {QStringLiteral("Parameters"), QStringLiteral("Value"), QStringLiteral("Units")}, 1);
  buttonBar_ = MakeBar(page_, QStringLiteral("events_P"));
  packetPanel_ = MakeBar(page_, QStringLiteral("packet_P"));
  packetPanel_->hide();
  emptyNotice_ = new QLabel(page_);
  emptyNotice_->setObjectName(QStringLiteral("empty_P"));
  emptyNotice_->setAutoFillBackground(true);
  emptyNotice_->hide();
  refreshButton_ = new QPushButton(QStringLiteral("Refresh Events"), buttonBar_);
  refreshButton_->setObjectName(QStringLiteral("RefreshEvents_B"));
  refreshButton_->setGeometry(8, 5, 110, 24);
  connect(refreshButton_, &QPushButton::clicked, this, [this] {
    if (onRefresh) onRefresh();
  });
  saveButton_ = new QPushButton(QStringLiteral("Save Events"), buttonBar_);
  saveButton_->setObjectName(QStringLiteral("SaveEvents_B"));
  saveButton_->setGeometry(126, 5, 110, 24);
}

void EventsPageView::LayOut() {
  page_->setMinimumSize(0, 0);
  const int w = page_->width();
  const int h = page_->height();
  buttonBar_->setGeometry(2, h - kBarHeight, w - 4, kBarHeight - 2);
  eventsGrid_->setGeometry(2, 2, w - 4, h - kBarHeight - 4);
  const int cols = (eventsGrid_->width() - 4) / 3;
  eventsGrid_->setColumnWidth(1, cols + cols / 2);
  eventsGrid_->setColumnWidth(2, cols);
  eventsGrid_->setColumnWidth(3, cols / 2);
}

void EventsPageView::ApplyColors(const UserColors& c) {
  PaintFace(buttonBar_, c.form);
  PaintFace(emptyNotice_, c.background);
  PaintFace(packetPanel_, packetStatsShown_ ? c.fixedbox : c.background);
  PaintGrid(eventsGrid_, c);
}

void EventsPageView::EnableControls(bool enabled) {
  refreshButton_->setEnabled(enabled);
  saveButton_->setEnabled(enabled);
}

}  // namespace kvx
