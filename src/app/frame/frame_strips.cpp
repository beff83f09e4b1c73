// The strips above the pages, the status bar and the timers: built once,
// laid out on every resize.

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/commands/command_buttons.h"
#include "app/frame/elided_label.h"
#include "app/frame/frame_parts.h"
#include "app/frame/frame_widgets.h"

namespace kvx {
namespace {

constexpr int kFamilyFirstPanelWidth = 120;
constexpr int kFamilyPanelWidth = 64;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

void AddRelayPanels(QFrame* strip, const QString& family, int count) {
  for (int i = 1; i <= count; ++i) {
    QLabel* ry = MakePanel(strip, QStringLiteral("%1_ry%2_P").arg(family).arg(i),
                           QStringLiteral("RY%1").arg(i));
    ry->setToolTip(QStringLiteral("ON = Energized"));
  }
}

// The panels of a family strip, left to right.
void PlacePanels(QFrame* strip) {
  int x = 2;
  bool first = true;
  for (QLabel* panel : strip->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
    // The feeder's phase pickup panel reads "I <= Pickup": as wide as the first.
    const bool wide = first || panel->objectName().endsWith(QStringLiteral("_phase_P"));
    const int pw = wide ? kFamilyFirstPanelWidth : kFamilyPanelWidth;
    panel->setGeometry(x, 2, pw, kStatusStripHeight - 4);
    x += pw + 2;
    first = false;
  }
}

}  // namespace

FrameStrips BuildFrameStrips(QWidget* central) {
  FrameStrips s;
  s.statusStrip = MakeBar(central, QStringLiteral("main_display_P"));
  s.statusTexts[0] = MakePanel(s.statusStrip, QStringLiteral("first_P"));
  s.statusTexts[1] = MakePanel(s.statusStrip, QStringLiteral("second_P"));
  s.statusTexts[2] = MakePanel(s.statusStrip, QStringLiteral("third_P"));
  const StatusButtons status = BuildStatusButtons(s.statusTexts[0]);
  s.details = status.details;
  s.reset = status.reset;

  s.draStrip = MakeBar(central, QStringLiteral("dra_display_P"));
  MakePanel(s.draStrip, QStringLiteral("dra_dig_P"), QStringLiteral("Inputs"));
  AddRelayPanels(s.draStrip, QStringLiteral("dra"), 5);
  const MotorButtons motor = BuildMotorButtons(s.draStrip);
  s.start1 = motor.start1;
  s.start2 = motor.start2;
  s.stop = motor.stop;

  s.drbStrip = MakeBar(central, QStringLiteral("drb_display_P"));
  MakePanel(s.drbStrip, QStringLiteral("drb_dig_P"), QStringLiteral("Inputs"));
  AddRelayPanels(s.drbStrip, QStringLiteral("drb"), 3);

  s.fdxStrip = MakeBar(central, QStringLiteral("fdx_display_P"));
  MakePanel(s.fdxStrip, QStringLiteral("fdx_3Io_P"), QStringLiteral("3Io"));
  MakePanel(s.fdxStrip, QStringLiteral("fdx_phase_P"), QStringLiteral("Phase"));
  AddRelayPanels(s.fdxStrip, QStringLiteral("fdx"), 3);
  return s;
}

void FrameStrips::LayOut(const MainLayout& layout, int width) {
  statusStrip->setGeometry(0, 0, width, kStatusStripHeight);
  statusTexts[0]->setGeometry(2, 2, layout.firstPanelWidth, kStatusStripHeight - 4);
  statusTexts[1]->setGeometry(width - 402, 2, 198, kStatusStripHeight - 4);
  statusTexts[2]->setGeometry(width - 200, 2, 196, kStatusStripHeight - 4);
  const int buttonTop = (statusTexts[0]->height() - kDetailsButtonHeight) / 2;
  reset->setGeometry(layout.resetLeft, buttonTop, kDetailsButtonWidth, kDetailsButtonHeight);
  details->setGeometry(layout.detailsLeft, buttonTop, kDetailsButtonWidth, kDetailsButtonHeight);

  for (QFrame* strip : FamilyStrips()) {
    strip->setGeometry(0, kStatusStripHeight, width, kStatusStripHeight);
    PlacePanels(strip);
  }
  const int buttonH = kStatusStripHeight - 6;
  start1->setGeometry(layout.start1Left, 3, kStripButtonWidth, buttonH);
  start2->setGeometry(layout.start2Left, 3, kStripButtonWidth, buttonH);
  stop->setGeometry(layout.stopLeft, 3, kStripButtonWidth, buttonH);
}

FrameStatusBar BuildFrameStatusBar(QWidget* central) {
  FrameStatusBar s;
  s.bar = MakeBar(central, QStringLiteral("Status_P"));
  s.network = MakePanel(s.bar, QStringLiteral("network_P"));
  s.unit = MakePanel(s.bar, QStringLiteral("unit_P"));
  s.version = MakePanel(s.bar, QStringLiteral("version_P"));
  s.serial = MakePanel(s.bar, QStringLiteral("serial_P"));
  s.time = MakePanel(s.bar, QStringLiteral("time_P"));
  QFont bold = s.network->font();
  bold.setBold(true);
  s.network->setFont(bold);
  s.progress = new QProgressBar(s.bar);
  s.progress->setObjectName(QStringLiteral("read_Progress"));
  s.progress->setRange(0, 1500);
  s.progress->setValue(0);
  s.progress->setTextVisible(false);
  s.linkCancel = MakeButton(s.bar, "LinkCancel_B", QStringLiteral("Cancel"));
  s.linkCancel->setFocusPolicy(Qt::NoFocus);
  s.linkCancel->hide();
  s.link = new ElidedLabel(s.bar);
  s.link->setObjectName(QStringLiteral("link_P"));
  s.link->setIndent(4);
  s.link->hide();
  QObject::connect(s.progress, &QProgressBar::valueChanged, s.link, [label = s.link](int v) {
    label->setVisible(v <= 0 && !label->text().isEmpty());
  });
  s.message = new ElidedLabel(s.bar, Qt::ElideLeft);
  s.message->setObjectName(QStringLiteral("message_P"));
  s.message->setIndent(4);
  s.message->hide();
  // A progress that starts makes the bar its own again.
  QObject::connect(s.progress, &QProgressBar::valueChanged, s.message, [label = s.message](int v) {
    if (v > 0) label->hide();
  });
  return s;
}

void FrameStatusBar::LayOut(const MainLayout& layout, int width, int height) {
  bar->setGeometry(0, height - kStatusBarHeight, width, kStatusBarHeight);
  const int sh = kStatusBarHeight - 4;
  int x = 2;
  // The link panel is as wide as its longest text needs ("Failed to
  // Connect" in bold); the progress bar gives up what it takes beyond 108.
  const int networkWidth =
      std::max(108, network->fontMetrics().horizontalAdvance(QStringLiteral("Failed to Connect")) +
                        2 * network->frameWidth() + 8);
  for (auto [panel, pw] : {std::pair<QLabel*, int>{network, networkWidth},
                           {unit, 100},
                           {version, 140},
                           {serial, 110},
                           {time, 96}}) {
    panel->setGeometry(x, 2, pw, sh);
    x += pw + 2;
  }
  const int progressWidth = std::max(0, layout.progressWidth - (networkWidth - 108));
  const int cancelWidth = linkCancel->isVisible() ? 64 : 0;
  progress->setGeometry(x, 3, std::max(0, progressWidth - cancelWidth), sh - 2);
  linkCancel->setGeometry(x + progressWidth - 62, 2, 62, sh);
  link->setGeometry(x, 2, std::max(0, progressWidth - cancelWidth), sh);
  message->setGeometry(x, 2, progressWidth, sh);
  message->raise();
}

FrameTimers BuildFrameTimers(QObject* owner, int passwordMs, int logPeriodMs) {
  auto make = [owner](const char* name, int interval, bool running) {
    auto* t = new QTimer(owner);
    t->setObjectName(QString::fromLatin1(name));
    t->setInterval(interval);
    if (running) t->start();
    return t;
  };
  FrameTimers t;
  t.password = make("password_timer", passwordMs, false);
  t.setpoints = make("setpoint_timer", 1000, true);
  t.dataLog = make("datalog_timer", logPeriodMs, false);
  t.trackbar = make("trackbar_Timer", 500, false);
  t.notice = make("out_of_range_Timer", 5000, false);
  return t;
}

}  // namespace kvx
