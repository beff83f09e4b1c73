#include "app/events/events_page_view.h"

#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "app/dialogs/window_dialogs.h"
#include "app/frame/frame_widgets.h"
#include "app/frame/main_window.h"
#include "session/handed_over_front_end.h"
#include "session/handover.h"
#include "setpoints/number_text.h"
#include "setpoints/packet_counters.h"

namespace kvx {
namespace {

constexpr int kSideWidth = 196;
constexpr int kPacketHeight = 84;

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* name = nullptr) {
  auto* l = new QLabel(text, parent);
  if (name) l->setObjectName(QString::fromLatin1(name));
  return l;
}

QTableWidgetItem* Item(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled);
  return item;
}

}  // namespace

EventsPageView::EventsPageView(MainWindow& window, QWidget* page, QTimer* trackbarTimer)
    : QObject(&window), window_(window), page_(page), trackbarTimer_(trackbarTimer) {
  page_->setObjectName(QStringLiteral("TabSheet3"));
  eventsGrid_ =
      MakeGrid(page_, QStringLiteral("Events_Grid"),
               {QStringLiteral("Parameters"), QStringLiteral("Value"), QStringLiteral("Units")}, 1);
  eventsGrid_->setRowCount(0);
  eventsGrid_->viewport()->installEventFilter(this);
  emptyNotice_ = new QLabel(QStringLiteral("Empty Record"), page_);
  emptyNotice_->setObjectName(QStringLiteral("empty_P"));
  emptyNotice_->setAlignment(Qt::AlignCenter);
  emptyNotice_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  emptyNotice_->setAutoFillBackground(true);
  emptyNotice_->hide();

  sidePanel_ = MakeBar(page_, QStringLiteral("events_P"));
  int y = 10;
  auto row = [&](const QString& caption, const char* name) {
    MakeLabel(sidePanel_, caption)->setGeometry(8, y, 124, 20);
    QLabel* value = MakeLabel(sidePanel_, QString(), name);
    value->setGeometry(134, y, kSideWidth - 140, 20);
    y += 24;
    return value;
  };
  numRecords_ = row(QStringLiteral("Number of Records:"), "num_records_E");
  newestRecord_ = row(QStringLiteral("Newest Record: "), "new_record_E");
  recordHead_ = row(QStringLiteral("Record ID: "), "record_head_E");

  upDown_ = new QWidget(sidePanel_);
  upDown_->setObjectName(QStringLiteral("UpDown1"));
  upDown_->setGeometry(kSideWidth / 2 - 24, y + 4, 48, 22);
  previous_ = new QToolButton(upDown_);
  previous_->setArrowType(Qt::LeftArrow);
  previous_->setGeometry(0, 0, 24, 22);
  previous_->setToolTip(QStringLiteral("Previous record"));
  next_ = new QToolButton(upDown_);
  next_->setArrowType(Qt::RightArrow);
  next_->setGeometry(24, 0, 24, 22);
  next_->setToolTip(QStringLiteral("Next record"));
  connect(previous_, &QToolButton::clicked, this, [this] { Step(-1); });
  connect(next_, &QToolButton::clicked, this, [this] { Step(+1); });
  y += 30;

  trackBar_ = new QSlider(Qt::Horizontal, sidePanel_);
  trackBar_->setObjectName(QStringLiteral("record_TB"));
  trackBar_->setPageStep(1);
  trackBar_->setSingleStep(1);
  trackBar_->setTickPosition(QSlider::TicksBelow);
  trackBar_->setRange(0, 0);
  trackBar_->setGeometry(8, y, kSideWidth - 16, 28);
  y += 40;
  // Each movement restarts the 500 ms: the record is read once the bar rests.
  trackbarTimer_->setSingleShot(true);
  connect(trackBar_, &QSlider::valueChanged, this, [this](int v) {
    trackBar_->setToolTip(QString::number(v));
    trackbarTimer_->stop();
    trackbarTimer_->start();
  });
  connect(trackbarTimer_, &QTimer::timeout, this, [this] { ShowSelected(); });

  saveButton_ = new QPushButton(QStringLiteral("Save Events"), sidePanel_);
  saveButton_->setObjectName(QStringLiteral("SaveEvents_B"));
  saveButton_->setGeometry(8, y, kSideWidth - 16, 26);
  y += 32;
  refreshButton_ = new QPushButton(QStringLiteral("Refresh Events"), sidePanel_);
  refreshButton_->setObjectName(QStringLiteral("RefreshEvents_B"));
  refreshButton_->setGeometry(8, y, kSideWidth - 16, 26);
  connect(refreshButton_, &QPushButton::clicked, this, [this] {
    if (onRefresh) onRefresh();
  });
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveEvents(); });

  packetPanel_ = MakeBar(sidePanel_, QStringLiteral("packet_P"));
  packetPanel_->setToolTip(QStringLiteral("Double click for the packet statistics"));
  packetPanel_->installEventFilter(this);
  QLabel* failedCaption = MakeLabel(packetPanel_, QStringLiteral("Failed Packets: "));
  failedCaption->setGeometry(6, 6, 100, 18);
  failedPackets_ = MakeLabel(packetPanel_, QString(), "failed_packet_E");
  failedPackets_->setGeometry(108, 6, 70, 18);
  QLabel* totalCaption = MakeLabel(packetPanel_, QStringLiteral("Total Packets:"));
  totalCaption->setGeometry(6, 28, 100, 18);
  totalPackets_ = MakeLabel(packetPanel_, QString(), "total_packet_E");
  totalPackets_->setGeometry(108, 28, 70, 18);
  hidePackets_ = new QPushButton(QStringLiteral("Hide Packet Statistics"), packetPanel_);
  hidePackets_->setObjectName(QStringLiteral("packet_B"));
  hidePackets_->setGeometry(6, 52, kSideWidth - 24, 24);
  connect(hidePackets_, &QPushButton::clicked, this, [this] { ShowPacketStatistics(false); });
  packetWidgets_ = {failedCaption, failedPackets_, totalCaption, totalPackets_, hidePackets_};
  for (QWidget* w : packetWidgets_) w->hide();
}

void EventsPageView::LayOut() {
  page_->setMinimumSize(0, 0);
  const int w = page_->width();
  const int h = page_->height();
  sidePanel_->setGeometry(2, 2, kSideWidth, h - 4);
  packetPanel_->setGeometry(2, sidePanel_->height() - kPacketHeight - 2, kSideWidth - 4,
                            kPacketHeight);
  eventsGrid_->setGeometry(kSideWidth + 6, 2, std::max(0, w - kSideWidth - 8), h - 4);
  emptyNotice_->setGeometry(eventsGrid_->geometry());
  eventsGrid_->setColumnWidth(1, 282);
  eventsGrid_->setColumnWidth(2, 179);
  eventsGrid_->setColumnWidth(3, 35);
  eventsGrid_->horizontalHeader()->setStretchLastSection(true);
}

void EventsPageView::ApplyColors(const UserColors& c) {
  colors_ = c;
  PaintFace(sidePanel_, c.form);
  PaintFace(emptyNotice_, c.background);
  PaintFace(packetPanel_, packetStatsShown_ ? c.fixedbox : c.background);
  PaintGrid(eventsGrid_, c);
  for (int r = 0; r < eventsGrid_->rowCount(); ++r) {
    if (QTableWidgetItem* value = eventsGrid_->item(r, 2);
        value && value->data(Qt::UserRole).toBool()) {
      value->setBackground(c.fixedbox);
    }
  }
}

void EventsPageView::EnableControls(bool enabled) {
  for (QWidget* w : {static_cast<QWidget*>(refreshButton_), static_cast<QWidget*>(saveButton_),
                     static_cast<QWidget*>(trackBar_), upDown_}) {
    w->setEnabled(enabled);
  }
}

bool EventsPageView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == packetPanel_ && event->type() == QEvent::MouseButtonDblClick) {
    ShowPacketStatistics(true);
    return true;
  }
  // The wheel moves the grid one row at a time.
  if (watched == eventsGrid_->viewport() && event->type() == QEvent::Wheel) {
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if (delta != 0) {
      QScrollBar* bar = eventsGrid_->verticalScrollBar();
      bar->setValue(bar->value() + (delta < 0 ? 1 : -1));
    }
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void EventsPageView::ShowPacketStatistics(bool shown) {
  packetStatsShown_ = shown;
  for (QWidget* w : packetWidgets_) w->setVisible(shown);
  PaintFace(packetPanel_, shown ? colors_.fixedbox : colors_.background);
  if (shown) RenderPacketCounts();
}

void EventsPageView::RenderPacketCounts() {
  failedPackets_->setText(QString::number(failedPackets.load()));
  totalPackets_->setText(QString::number(totalPackets.load()));
}

QString EventsPageView::IdText(long long number) const {
  return QString::number(EventRecordId(number, layout_.family, layout_.definitionFirmware));
}

void EventsPageView::SetTextColor(const QColor& color, bool counters) {
  QPalette p = eventsGrid_->palette();
  p.setColor(QPalette::Text, color);
  eventsGrid_->setPalette(p);
  for (int r = 0; r < eventsGrid_->rowCount(); ++r) {
    if (QTableWidgetItem* value = eventsGrid_->item(r, 2)) value->setForeground(color);
  }
  if (!counters) return;
  for (QLabel* l : {numRecords_, newestRecord_}) {
    QPalette lp = l->palette();
    lp.setColor(QPalette::WindowText, color);
    l->setPalette(lp);
  }
}

void EventsPageView::BuildRows() {
  const WorkingState& state = window_.session();
  layout_ = EventLayoutOf(state.Store());
  const std::vector<GridRow>& rows = state.EventRows();
  eventsGrid_->setRowCount(static_cast<int>(rows.size()));
  fieldRows_.clear();
  QFont bold = eventsGrid_->font();
  bold.setBold(true);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const GridRow& row = rows[static_cast<std::size_t>(r)];
    const bool heading = row[0].empty();
    for (int c = 0; c < 4; ++c) eventsGrid_->setItem(r, c, Item(c == 2 ? std::string() : row[c]));
    if (heading) {
      eventsGrid_->item(r, 1)->setFont(bold);
      continue;
    }
    QTableWidgetItem* value = eventsGrid_->item(r, 2);
    value->setData(Qt::UserRole, true);  // a field's value cell
    value->setBackground(colors_.fixedbox);
    fieldRows_.push_back(r);
  }
  // The rows and the layout come from the same definition group; a field
  // without a row of its own is never drawn.
  fieldRows_.resize(std::min(fieldRows_.size(), layout_.fields.size()), -1);
  layout_.fields.resize(fieldRows_.size());
}

void EventsPageView::RenderRecord(const EventRecordRead& record) {
  if (!record.read) {
    SetTextColor(kErrorColor, false);  // the values shown are an older record's
    return;
  }
  if (EventBlockEmpty(record.block)) {
    emptyNotice_->setGeometry(eventsGrid_->geometry());
    emptyNotice_->show();
    emptyNotice_->raise();
    return;
  }
  emptyNotice_->hide();
  const auto texts = EventRecordTexts(layout_, record.block, EventTextUse::Screen);
  for (std::size_t i = 0; i < fieldRows_.size() && i < texts.size(); ++i) {
    eventsGrid_->item(fieldRows_[i], 2)->setText(QString::fromStdString(texts[i]));
  }
  SetTextColor(kNormalTextColor, false);
}

void EventsPageView::Refresh() {
  if (!window_.online()) return;
  BuildRows();
  EventRefresh r;
  window_.Busy([&] {
    window_.RunOnLink([&] {
      r = RefreshEvents(window_.session().Comm(), layout_);
      window_.session().NoteExchange(r.record.failure);
    });
  });
  RenderPacketCounts();
  if (!r.countRead) {
    SetTextColor(kErrorColor, true);
    return;
  }
  range_ = r.range;
  {
    const QSignalBlocker quiet(trackBar_);
    if (range_.Empty()) {
      numRecords_->setText(QStringLiteral("0"));
      newestRecord_->setText(QStringLiteral("0"));
      trackBar_->setRange(0, 0);
    } else {
      numRecords_->setText(QString::number(range_.count));
      newestRecord_->setText(IdText(range_.last));
      recordHead_->setText(IdText(range_.last));
      trackBar_->setRange(static_cast<int>(range_.first), static_cast<int>(range_.last));
      trackBar_->setValue(static_cast<int>(range_.last));
    }
    trackBar_->setToolTip(QString::number(trackBar_->value()));
  }
  trackbarTimer_->stop();
  if (!r.record.selected) {
    SetTextColor(kErrorColor, true);
    return;
  }
  SetTextColor(kNormalTextColor, true);
  RenderRecord(r.record);
}

void EventsPageView::Step(int delta) {
  trackBar_->setValue(trackBar_->value() + delta);
}

void EventsPageView::ShowSelected() {
  if (!window_.online()) return;
  // Nothing timer-driven starts while a sequence holds the window: try again
  // once it has ended.
  if (window_.IsBusy()) {
    trackbarTimer_->start();
    return;
  }
  const long long number = trackBar_->value();
  recordHead_->setText(IdText(number));
  EventRecordRead record;
  window_.Busy([&] {
    window_.RunOnLink([&] {
      record = ReadEventRecord(window_.session().Comm(), number, layout_.RingSize());
      window_.session().NoteExchange(record.failure);
    });
  });
  RenderPacketCounts();
  if (record.selected) RenderRecord(record);
}

void EventsPageView::SaveEvents() {
  if (range_.Empty()) {
    window_.dialogs().Tell("Record Error", "No Events to Save");
    return;
  }
  FileRequest request;
  request.save = true;
  request.title = QStringLiteral("Save Event Records");
  request.folder = window_.lastFolder();
  request.filter = QStringLiteral("Text File (*.txt)");
  request.proposedName = QStringLiteral("events");
  request.suffix = QStringLiteral("txt");
  const QString file = window_.askFileName ? window_.askFileName(request) : QString();
  if (file.isEmpty()) return;
  const std::filesystem::path path(file.toStdString());

  EventSaveResult result;
  window_.Busy([&] {
    HandedOverProgress progress(window_.progressWindows(), window_.handover());
    window_.RunOnLink([&] {
      WorkingState& state = window_.session();
      result = SaveEventRecords(
          state.Comm(), layout_, range_, path, [&state] { return state.StopRequested(); },
          &progress);
      if (result.outcome == EventSaveResult::Outcome::RelayStopped) {
        state.NoteExchange(result.linkFailure);
      }
    });
  });
  RenderPacketCounts();
  const QString text = QString::fromStdString(DescribeEventSave(result, path));
  if (result.outcome == EventSaveResult::Outcome::Saved) {
    window_.ShowConfirmation(text);
  } else {
    window_.dialogs().Tell("Save Events", text.toStdString());
  }
}

}  // namespace kvx
