#pragma once
// The "Events" page: the event grid, its button bar (Refresh Events, Save
// Events) and the packet statistics panel. Event reading fills it once it
// exists.

#include <QObject>
#include <functional>

#include "app/frame/user_colors.h"

class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;
class QWidget;

namespace kvx {

class EventsPageView : public QObject {
  Q_OBJECT

 public:
  EventsPageView(QObject* owner, QWidget* page);

  QWidget* page() const { return page_; }
  QPushButton* saveButton() const { return saveButton_; }
  // Refresh Events: what the page does when it is shown.
  std::function<void()> onRefresh;

  void LayOut();
  void ApplyColors(const UserColors& colors);
  void EnableControls(bool enabled);

 private:
  QWidget* page_;               // TabSheet3
  QTableWidget* eventsGrid_;    // Events_Grid
  QFrame* buttonBar_;           // events_P
  QFrame* packetPanel_;         // packet_P
  QLabel* emptyNotice_;         // empty_P
  QPushButton* refreshButton_;  // RefreshEvents_B
  QPushButton* saveButton_;     // SaveEvents_B
  bool packetStatsShown_ = false;
};

}  // namespace kvx
