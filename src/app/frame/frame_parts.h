#pragma once
// The frame's own widgets as typed members: the menus, the two strips above
// the pages, the status bar and the timers. Each carries the objectName
// the screens have always used (first_P, Connect1, setpoint_timer...), which
// the GUI tests and a grep find; the C++ names say what each one is.

#include <vector>

#include "shell/main_layout.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QObject;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace kvx {

struct FrameMenus {
  QMenu* file = nullptr;  // File1
  QAction* open = nullptr;
  QAction* save = nullptr;
  QAction* loadDefaults = nullptr;
  QAction* writeToUnit = nullptr;
  QAction* print = nullptr;
  QAction* saveAsText = nullptr;
  QAction* compareFiles = nullptr;
  QAction* changeRevision = nullptr;
  QMenu* recentFiles = nullptr;  // RecentFiles1, filled when it opens
  QAction* exit = nullptr;
  QMenu* communications = nullptr;  // Network1
  QAction* connect = nullptr;
  QAction* disconnect = nullptr;
  QAction* showTraffic = nullptr;  // ShowTraffic1
  QMenu* draCommands = nullptr;    // one Commands menu per relay family
  QMenu* drbCommands = nullptr;
  QMenu* fdxCommands = nullptr;
  QMenu* plot = nullptr;
  QAction* plotChart = nullptr;
  QMenu* dataLogging = nullptr;
  QAction* datalogEnable = nullptr;  // Datalog_Enable, a check item
  QAction* datalogTiming = nullptr;
  QMenu* password = nullptr;
  QAction* passwordTimeout = nullptr;
  QAction* changePassword = nullptr;
  QMenu* help = nullptr;
  QAction* about = nullptr;
  QAction* helpContents = nullptr;
  QAction* editColors = nullptr;

  // Every menu of the menu bar, in its order.
  std::vector<QMenu*> All() const;
};
FrameMenus BuildFrameMenus(QMenuBar* bar);

// The strip of three status texts (with Details and Reset) and, under it,
// one strip per relay family of which one shows while online.
struct FrameStrips {
  QFrame* statusStrip = nullptr;  // main_display_P
  QLabel* statusTexts[3] = {};    // first_P, second_P, third_P
  QPushButton* details = nullptr;
  QPushButton* reset = nullptr;
  QFrame* draStrip = nullptr;
  QFrame* drbStrip = nullptr;
  QFrame* fdxStrip = nullptr;
  QPushButton* start1 = nullptr;  // on the DRA strip
  QPushButton* start2 = nullptr;
  QPushButton* stop = nullptr;

  std::vector<QFrame*> FamilyStrips() const { return {draStrip, drbStrip, fdxStrip}; }
  void LayOut(const MainLayout& layout, int width);
};
FrameStrips BuildFrameStrips(QWidget* central);

struct FrameStatusBar {
  QFrame* bar = nullptr;              // Status_P
  QLabel* network = nullptr;          // network_P
  QLabel* unit = nullptr;             // unit_P
  QLabel* version = nullptr;          // version_P
  QLabel* serial = nullptr;           // serial_P
  QLabel* time = nullptr;             // time_P
  QProgressBar* progress = nullptr;   // read_Progress
  QPushButton* linkCancel = nullptr;  // shown while a link sequence runs
  // What the last command achieved ("Saved /path/site.cds"), laid over the
  // idle progress bar; gone when the next command starts.
  QLabel* message = nullptr;  // message_P
  // The link while online ("Modbus TCP 127.0.0.1:502, unit 254"), over the
  // idle progress bar and under a message.
  QLabel* link = nullptr;  // link_P

  // `linkCancel` takes the progress bar's right end while it shows.
  void LayOut(const MainLayout& layout, int width, int height);
};
FrameStatusBar BuildFrameStatusBar(QWidget* central);

struct FrameTimers {
  QTimer* password = nullptr;   // password_timer
  QTimer* setpoints = nullptr;  // setpoint_timer: the setpoint grid's rebuild
  QTimer* dataLog = nullptr;    // datalog_timer
  QTimer* trackbar = nullptr;   // trackbar_Timer
  QTimer* notice = nullptr;     // out_of_range_Timer
};
FrameTimers BuildFrameTimers(QObject* owner, int passwordMs, int logPeriodMs);

}  // namespace kvx
