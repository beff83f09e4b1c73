#pragma once
// The "Events" page: the relay's event records one at a time in a grid, a
// track bar and an up-down pair to step through them (a record is read 500 ms
// after the last movement), Refresh Events, Save Events, and the packet
// statistics panel. Every relay exchange runs on the window's link worker.

#include <QObject>
#include <functional>
#include <vector>

#include "app/frame/user_colors.h"
#include "monitor/event_link.h"

class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QTableWidget;
class QTimer;
class QToolButton;
class QWidget;

namespace kvx {

class MainWindow;

class EventsPageView : public QObject {
  Q_OBJECT

 public:
  // `trackbarTimer` is the frame's one-shot 500 ms debounce (trackbar_Timer).
  EventsPageView(MainWindow& window, QWidget* page, QTimer* trackbarTimer);

  QWidget* page() const { return page_; }
  QPushButton* saveButton() const { return saveButton_; }
  QSlider* trackBar() const { return trackBar_; }
  // Refresh Events: what the page does when it is shown.
  std::function<void()> onRefresh;

  void LayOut();
  void ApplyColors(const UserColors& colors);
  void EnableControls(bool enabled);

  // Builds the rows from the loaded definitions (after a connect or a file
  // load) and reads the count and the newest record.
  void Refresh();
  // Save Events: asks for the file, saves every retained record.
  void SaveEvents();
  // The up-down arrows: one record on (+1) or back (-1).
  void Step(int delta);
  // Reads the record the track bar points at (the debounce timer's end).
  void ShowSelected();
  // The packet statistics as the link counted them.
  void RenderPacketCounts();
  void ShowPacketStatistics(bool shown);

  const EventRange& Range() const { return range_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildRows();
  void RenderRecord(const EventRecordRead& record);
  void SetTextColor(const QColor& color, bool counters);
  QString IdText(long long number) const;

  MainWindow& window_;
  QWidget* page_;             // TabSheet3
  QTimer* trackbarTimer_;     // trackbar_Timer
  QTableWidget* eventsGrid_;  // Events_Grid
  QFrame* sidePanel_;         // events_P
  QFrame* packetPanel_;       // packet_P
  QLabel* emptyNotice_;       // empty_P
  QLabel* numRecords_;        // num_records_E
  QLabel* newestRecord_;      // new_record_E
  QLabel* recordHead_;        // record_head_E
  QWidget* upDown_;           // UpDown1
  QToolButton* previous_;
  QToolButton* next_;
  QSlider* trackBar_;           // record_TB
  QPushButton* refreshButton_;  // RefreshEvents_B
  QPushButton* saveButton_;     // SaveEvents_B
  QLabel* failedPackets_;       // failed_packet_E
  QLabel* totalPackets_;        // total_packet_E
  QPushButton* hidePackets_;    // packet_B
  std::vector<QWidget*> packetWidgets_;
  UserColors colors_{};
  bool packetStatsShown_ = false;

  EventLayout layout_;
  std::vector<int> fieldRows_;  // grid row of each field of layout_
  EventRange range_;
};

}  // namespace kvx
