#include "app/frame/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include "app/dialogs/message_box.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/preferences_store.h"
#include "app/frame/process_locale.h"
#include "app/setpoints/setpoint_page_view.h"
#include "session/handed_over_front_end.h"
#include "session/handover.h"
#include "session/link_worker.h"
#include "shell/close_sequence.h"

namespace kvx {
namespace {

QTableWidget* MakeGrid(QWidget* parent, const QStringList& headers, int hiddenColumns) {
  auto* grid = new QTableWidget(1, headers.size() + hiddenColumns, parent);
  QStringList labels;
  for (int i = 0; i < hiddenColumns; ++i) labels << QString();
  labels << headers;
  grid->setHorizontalHeaderLabels(labels);
  for (int i = 0; i < hiddenColumns; ++i) grid->setColumnHidden(i, true);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setDefaultSectionSize(20);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setSelectionMode(QAbstractItemView::SingleSelection);
  return grid;
}

// A stored position on no screen any more (a monitor was unplugged) would
// open the window where nobody can reach it; it opens on the primary screen.
QPoint OnSomeScreen(QPoint stored) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return stored;
  for (const QScreen* screen : screens) {
    if (screen->availableVirtualGeometry().contains(stored)) return stored;
  }
  return QGuiApplication::primaryScreen()->availableGeometry().topLeft();
}

// How soon a start-up action that found the window busy looks again.
constexpr int kIdleRetryMs = 50;

QFrame* MakeBar(QWidget* parent) {
  auto* bar = new QFrame(parent);
  bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
  bar->setAutoFillBackground(true);
  return bar;
}

}  // namespace

TMainF::TMainF(const MainWindowOptions& options) {
  // 2. Caption, decimal separator, size.
  setWindowTitle(QString::fromLatin1(kProgramName));
  UseDotDecimalSeparator();
  setMinimumSize(kMainMinWidth, kMainMinHeight);
  resize(kMainMinWidth, kMainMinHeight);
  QFont f = font();
  f.setPointSize(9);
  setFont(f);

  // 3. Folders.
  programFolder_ = options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                   : options.programFolder;
  defaultsFolder_ = QDir(programFolder_).filePath(QStringLiteral("Defaults")) + QDir::separator();

  // 1. The working state with its empty setting and group tables, and the
  // dialogs its sequences talk through.
  dialogs_ = std::make_unique<WindowDialogs>(this);
  passwords_ = std::make_unique<WindowPasswords>(this, [this] { return userColors(); });
  StartLink();
  session_ = std::make_unique<WorkingState>(*linkDialogs_, *linkPasswords_,
                                            std::filesystem::path(defaultsFolder_.toStdString()));
  session_->SetPageRefresh([this] { handover_->Run([this] { PageControl1Change(); }); });

  central_ = new QWidget(this);
  setCentralWidget(central_);
  central_->installEventFilter(this);
  BuildMenus();
  BuildStrips(central_);
  BuildPages(central_);
  BuildStatusBar(central_);
  progress_ = std::make_unique<WindowProgress>(this, read_Progress);
  progress_->onCancel = [this] { CancelLinkSequence(); };
  linkProgress_ = std::make_unique<HandedOverProgress>(*progress_, *handover_);
  session_->SetProgress(linkProgress_.get());
  BuildTimers();
  WireMenuActions();
  setpointPage_ = new TSetpointPageView(*this);

  // 6. Values.
  freshMetering_ = false;
  session_->SetUnsavedChanges(false);

  // 7. What needs loaded definitions stays hidden until they are loaded.
  Setpoints_P->hide();
  tree_P->hide();
  for (const char* name : {"Save1", "WritetoUnit1", "Print1", "SaveasText1", "ChangeRevision1"}) {
    action(QString::fromLatin1(name))->setVisible(false);
  }
  out_of_range_P->hide();
  packet_P->hide();
  packetStatsShown_ = false;

  // 8. Preferences.
  prefs_ = ReadPreferences();
  move(OnSomeScreen(QPoint(prefs_.left, prefs_.top)));
  if (prefs_.maximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
  } else {
    resize(std::max(prefs_.width, kMainMinWidth), std::max(prefs_.height, kMainMinHeight));
  }
  ApplyColors();

  // 9. Offline view.
  DisconnectUnit();
  FormResize();

  // 10. A file named on the command line.
  if (!options.openFileAtStart.isEmpty()) {
    const QString path = options.openFileAtStart;
    QTimer::singleShot(0, this, [this, path] {
      RunWhenIdle([this, path] {
        if (openSetpointFile) openSetpointFile(path);
      });
    });
  }
  // 11. The demonstration relay, as if chosen in the options dialog.
  if (options.connectTcpPortAtStart > 0) {
    const int port = options.connectTcpPortAtStart;
    QTimer::singleShot(0, this, [this, port] {
      RunWhenIdle([this, port] {
        CommOptions demo = commOptions_;
        demo.protocol = ProtocolKind::ModbusTcp;
        demo.remoteHost = "127.0.0.1";
        demo.remotePort = std::to_string(port);
        demo.cancelled = false;
        commOptions_ = demo;
        ConnectWith(demo);
      });
    });
  }
}

void TMainF::RunWhenIdle(const std::function<void()>& work) {
  if (setpointPage_ && setpointPage_->IsBusy()) {
    QTimer::singleShot(kIdleRetryMs, this, [this, work] { RunWhenIdle(work); });
    return;
  }
  work();
}

TMainF::~TMainF() {
  StopLink();
}

QLabel* TMainF::MakePanel(QWidget* parent, const QString& name, const QString& text) {
  auto* panel = new QLabel(text, parent);
  panel->setObjectName(name);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setAlignment(Qt::AlignCenter);
  panel->setAutoFillBackground(true);
  parts_[name] = panel;
  return panel;
}

QAction* TMainF::AddItem(QMenu* menu, const QString& name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  actions_[name] = a;
  return a;
}

QMenu* TMainF::AddMenu(const QString& name, const QString& caption) {
  QMenu* m = menuBar()->addMenu(caption);
  m->setObjectName(name);
  menus_[name] = m;
  return m;
}

void TMainF::BuildMenus() {
  QMenu* file = AddMenu(QStringLiteral("File1"), QStringLiteral("&File"));
  AddItem(file, QStringLiteral("Open1"), QStringLiteral("Open Setpoint File"));
  AddItem(file, QStringLiteral("Save1"), QStringLiteral("Save Setpoint File"));
  AddItem(file, QStringLiteral("Load1"), QStringLiteral("Load Defaults File"));
  AddItem(file, QStringLiteral("WritetoUnit1"), QStringLiteral("Write Setpoint File to Unit"));
  file->addSeparator();
  AddItem(file, QStringLiteral("Print1"), QStringLiteral("Print"));
  AddItem(file, QStringLiteral("SaveasText1"), QStringLiteral("Save as Text"));
  file->addSeparator();
  AddItem(file, QStringLiteral("CompareFiles1"), QStringLiteral("Compare Files"));
  AddItem(file, QStringLiteral("ChangeRevision1"), QStringLiteral("Change File Revision"));
  AddItem(file, QStringLiteral("Exit1"), QStringLiteral("Exit"));

  QMenu* network = AddMenu(QStringLiteral("Network1"), QStringLiteral("&Communications"));
  AddItem(network, QStringLiteral("Connect1"), QStringLiteral("Connect"));
  AddItem(network, QStringLiteral("Disconnect1"), QStringLiteral("Disconnect"));

  // The three families' command menus, items in menu order with their codes.
  struct Command {
    const char* name;
    const char* caption;
  };
  const Command dra[] = {{"DRA_ClearEvents1", "Clear Event Records"},
                         {"DRA_ClearTrips1", "Clear Trip Counters"},
                         {"DRA_ClearHours1", "Clear Running Hours"},
                         {"DRA_ClearEnergy1", "Clear Energy Totals"},
                         {"DRA_I2tReset1", "Emergency I2t Reset"},
                         {"DRA_SelectLocal1", "Select Local Control"},
                         {"DRA_DeselectLocal1", "De-select Local Control"},
                         {"DRA_ReenableTemp1", "Re-enable Temperature Protection"},
                         {"DRA_SetClock1", "Set Real-Time Clock"}};
  const Command drb[] = {{"DRB_ClearEvents1", "Clear Event Records"},
                         {"DRB_ClearTrips1", "Clear Trip Counters"},
                         {"DRB_ClearHours1", "Clear Running Hours"},
                         {"DRB_I2tReset1", "Emergency I2t Reset"},
                         {"DRB_ReenableTemp1", "Re-enable Temperature Protection"},
                         {"DRB_SetClock1", "Set Real-Time Clock"},
                         {"DRB_TripSet1", "Remote/Net Trip Set"},
                         {"DRB_TripClear1", "Remote/Net Trip Clear"},
                         {"DRB_AlarmSet1", "Remote/Net Alarm Set"},
                         {"DRB_AlarmClear1", "Remote/Net Alarm Clear"},
                         {"DRB_Run1Set1", "Run1 Set"},
                         {"DRB_Run1Clear1", "Run1 Clear"}};
  const Command fdx[] = {{"FDX_ClearEvents1", "Clear Event Records"},
                         {"FDX_ClearTrips1", "Clear Trip Counters"},
                         {"FDX_ClearHours1", "Clear Running Hours"},
                         {"FDX_I2tReset1", "Emergency I2t Reset"},
                         {"FDX_SetClock1", "Set Real-Time Clock"},
                         {"FDX_TripSet1", "Remote/Net Trip Set"},
                         {"FDX_TripClear1", "Remote/Net Trip Clear"},
                         {"FDX_AlarmSet1", "Remote/Net Alarm Set"},
                         {"FDX_AlarmClear1", "Remote/Net Alarm Clear"},
                         {"FDX_Run1Set1", "Run1 Set"},
                         {"FDX_Run1Clear1", "Run1 Clear"}};
  auto commands = [&](const char* menuName, const Command* items, std::size_t count) {
    QMenu* m = AddMenu(QString::fromLatin1(menuName), QStringLiteral("C&ommands"));
    for (std::size_t i = 0; i < count; ++i) {
      AddItem(m, QString::fromLatin1(items[i].name), QString::fromLatin1(items[i].caption));
    }
  };
  commands("DRA_Commands", dra, std::size(dra));
  commands("DRB_Commands", drb, std::size(drb));
  commands("FDX_Commands", fdx, std::size(fdx));

  QMenu* plot = AddMenu(QStringLiteral("Plot1"), QStringLiteral("&Plot"));
  AddItem(plot, QStringLiteral("PlotChart1"), QStringLiteral("Plot Chart"));
  QMenu* datalog = AddMenu(QStringLiteral("DataLogging1"), QStringLiteral("&Data Logging"));
  AddItem(datalog, QStringLiteral("Datalog_Enable"), QStringLiteral("Enable Datalogging"));
  AddItem(datalog, QStringLiteral("DatalogTiming1"), QStringLiteral("Datalog Timing"));
  QMenu* password = AddMenu(QStringLiteral("Password1"), QStringLiteral("P&assword"));
  AddItem(password, QStringLiteral("Timeout1"), QStringLiteral("Timeout"));
  AddItem(password, QStringLiteral("ChangePassword1"), QStringLiteral("Change Password"));
  QMenu* help = AddMenu(QStringLiteral("Help1"), QStringLiteral("&Help"));
  AddItem(help, QStringLiteral("About1"), QStringLiteral("About"));
  AddItem(help, QStringLiteral("Contents1"), QStringLiteral("Contents"));
  AddItem(help, QStringLiteral("EditColors1"), QStringLiteral("Edit Colors"));
}

void TMainF::BuildStrips(QWidget* central) {
  main_display_P = MakeBar(central);
  parts_[QStringLiteral("main_display_P")] = main_display_P;
  first_P = MakePanel(main_display_P, QStringLiteral("first_P"));
  second_P = MakePanel(main_display_P, QStringLiteral("second_P"));
  third_P = MakePanel(main_display_P, QStringLiteral("third_P"));
  Details_B = new QPushButton(QStringLiteral("Details"), first_P);
  Reset_B = new QPushButton(QStringLiteral("Reset"), first_P);
  Details_B->setObjectName(QStringLiteral("Details_B"));
  Reset_B->setObjectName(QStringLiteral("Reset_B"));
  parts_[QStringLiteral("Details_B")] = Details_B;
  parts_[QStringLiteral("Reset_B")] = Reset_B;

  auto strip = [&](const QString& name) {
    QFrame* s = MakeBar(central);
    s->setObjectName(name);
    parts_[name] = s;
    return s;
  };
  dra_display_P = strip(QStringLiteral("dra_display_P"));
  MakePanel(dra_display_P, QStringLiteral("dra_dig_P"), QStringLiteral("Inputs"));
  for (int i = 1; i <= 5; ++i) {
    QLabel* ry = MakePanel(dra_display_P, QStringLiteral("dra_ry%1_P").arg(i),
                           QStringLiteral("RY%1").arg(i));
    ry->setToolTip(QStringLiteral("ON = Energized"));
  }
  Start1_B = new QPushButton(QStringLiteral("Start 1"), dra_display_P);
  Start2_B = new QPushButton(QStringLiteral("Start 2"), dra_display_P);
  Stop_B = new QPushButton(QStringLiteral("Stop"), dra_display_P);
  parts_[QStringLiteral("Start1_B")] = Start1_B;
  parts_[QStringLiteral("Start2_B")] = Start2_B;
  parts_[QStringLiteral("Stop_B")] = Stop_B;

  drb_display_P = strip(QStringLiteral("drb_display_P"));
  MakePanel(drb_display_P, QStringLiteral("drb_dig_P"), QStringLiteral("Inputs"));
  for (int i = 1; i <= 3; ++i) {
    QLabel* ry = MakePanel(drb_display_P, QStringLiteral("drb_ry%1_P").arg(i),
                           QStringLiteral("RY%1").arg(i));
    ry->setToolTip(QStringLiteral("ON = Energized"));
  }
  fdx_display_P = strip(QStringLiteral("fdx_display_P"));
  MakePanel(fdx_display_P, QStringLiteral("fdx_3Io_P"), QStringLiteral("3Io"));
  MakePanel(fdx_display_P, QStringLiteral("fdx_phase_P"), QStringLiteral("Phase"));
  for (int i = 1; i <= 3; ++i) {
    QLabel* ry = MakePanel(fdx_display_P, QStringLiteral("fdx_ry%1_P").arg(i),
                           QStringLiteral("RY%1").arg(i));
    ry->setToolTip(QStringLiteral("ON = Energized"));
  }
}

void TMainF::BuildPages(QWidget* central) {
  PageControl1 = new QTabWidget(central);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setMinimumSize(742, 410);
  parts_[QStringLiteral("PageControl1")] = PageControl1;

  Setpoints_Tab = new QWidget;
  Setpoints_Tree = new QTreeWidget(Setpoints_Tab);
  Setpoints_Tree->setHeaderHidden(true);
  Setpoints_Tree->addTopLevelItem(
      new QTreeWidgetItem(QStringList{QStringLiteral("No Data Loaded")}));
  tree_P = MakeBar(Setpoints_Tab);
  Setpoints_Grid =
      MakeGrid(Setpoints_Tab,
               {QStringLiteral("Parameters"), QStringLiteral("Value"), QStringLiteral("Units"),
                QStringLiteral("Comments (Not stored on Unit)")},
               2);
  Setpoints_P = MakeBar(Setpoints_Tab);
  write_error_L = new QLabel(Setpoints_P);
  out_of_range_P = new QLabel(Setpoints_Tab);
  out_of_range_P->setAlignment(Qt::AlignCenter);
  out_of_range_P->setAutoFillBackground(true);
  PaintFace(out_of_range_P, kWarningColor);
  parts_[QStringLiteral("Setpoints_Tree")] = Setpoints_Tree;
  parts_[QStringLiteral("tree_P")] = tree_P;
  parts_[QStringLiteral("Setpoints_Grid")] = Setpoints_Grid;
  parts_[QStringLiteral("Setpoints_P")] = Setpoints_P;
  parts_[QStringLiteral("out_of_range_P")] = out_of_range_P;

  Metering_Tab = new QWidget;
  const QStringList meterHeaders{QStringLiteral("Parameters"), QStringLiteral("Value"),
                                 QStringLiteral("Units")};
  Meter_Grid = MakeGrid(Metering_Tab, meterHeaders, 1);
  RTD_Grid = MakeGrid(Metering_Tab, meterHeaders, 1);
  parts_[QStringLiteral("Meter_Grid")] = Meter_Grid;
  parts_[QStringLiteral("RTD_Grid")] = RTD_Grid;

  TabSheet3 = new QWidget;
  Events_Grid = MakeGrid(TabSheet3, meterHeaders, 1);
  events_P = MakeBar(TabSheet3);
  packet_P = MakeBar(TabSheet3);
  empty_P = new QLabel(TabSheet3);
  empty_P->setAutoFillBackground(true);
  empty_P->hide();
  auto* refresh = new QPushButton(QStringLiteral("Refresh Events"), events_P);
  refresh->setObjectName(QStringLiteral("RefreshEvents_B"));
  refresh->setGeometry(8, 5, 110, 24);
  connect(refresh, &QPushButton::clicked, this, [this] { PageControl1Change(); });
  auto* save = new QPushButton(QStringLiteral("Save Events"), events_P);
  save->setObjectName(QStringLiteral("SaveEvents_B"));
  save->setGeometry(126, 5, 110, 24);
  parts_[QStringLiteral("SaveEvents_B")] = save;
  parts_[QStringLiteral("Events_Grid")] = Events_Grid;
  parts_[QStringLiteral("events_P")] = events_P;
  parts_[QStringLiteral("packet_P")] = packet_P;

  PageControl1->addTab(Setpoints_Tab, QStringLiteral("Setpoints"));
  PageControl1->addTab(Metering_Tab, QStringLiteral("Metering"));
  PageControl1->addTab(TabSheet3, QStringLiteral("Events"));
  parts_[QStringLiteral("Setpoints_Tab")] = Setpoints_Tab;
  parts_[QStringLiteral("Metering_Tab")] = Metering_Tab;
  parts_[QStringLiteral("TabSheet3")] = TabSheet3;
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { PageControl1Change(); });
  for (QWidget* page : {Setpoints_Tab, Metering_Tab, TabSheet3}) page->installEventFilter(this);
}

void TMainF::BuildStatusBar(QWidget* central) {
  Status_P = MakeBar(central);
  parts_[QStringLiteral("Status_P")] = Status_P;
  network_P = MakePanel(Status_P, QStringLiteral("network_P"));
  unit_P = MakePanel(Status_P, QStringLiteral("unit_P"));
  version_P = MakePanel(Status_P, QStringLiteral("version_P"));
  serial_P = MakePanel(Status_P, QStringLiteral("serial_P"));
  time_P = MakePanel(Status_P, QStringLiteral("time_P"));
  QFont bold = network_P->font();
  bold.setBold(true);
  network_P->setFont(bold);
  read_Progress = new QProgressBar(Status_P);
  read_Progress->setObjectName(QStringLiteral("read_Progress"));
  read_Progress->setRange(0, 1500);
  read_Progress->setValue(0);
  read_Progress->setTextVisible(false);
  parts_[QStringLiteral("read_Progress")] = read_Progress;
}

void TMainF::BuildTimers() {
  struct TimerSetup {
    const char* name;
    int interval;
    bool enabled;
  } setups[] = {{"password_timer", passwordTimeoutMs_, false},
                {"setpoint_timer", 1000, true},
                {"datalog_timer", logPeriodMs_, false},
                {"trackbar_Timer", 500, false},
                {"out_of_range_Timer", 5000, false}};
  for (const TimerSetup& s : setups) {
    auto* t = new QTimer(this);
    t->setObjectName(QString::fromLatin1(s.name));
    t->setInterval(s.interval);
    if (s.enabled) t->start();
    timers_[QString::fromLatin1(s.name)] = t;
  }
}

QAction* TMainF::action(const QString& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* TMainF::menu(const QString& name) const {
  auto it = menus_.find(name);
  return it == menus_.end() ? nullptr : it->second;
}

QWidget* TMainF::part(const QString& name) const {
  auto it = parts_.find(name);
  return it == parts_.end() ? nullptr : it->second;
}

QTimer* TMainF::timer(const QString& name) const {
  auto it = timers_.find(name);
  return it == timers_.end() ? nullptr : it->second;
}

void TMainF::ShowConnectionView(bool online, int family) {
  ApplyConnectionView(ViewFor(online, family));
}

QString TMainF::lastFolder() const {
  const std::filesystem::path& used = session_->LastFolder();
  return used.empty() ? programFolder_ : QString::fromStdString(used.string());
}

void TMainF::ApplyConnectionView(const ConnectionView& v) {
  action(QStringLiteral("Open1"))->setVisible(v.openFile);
  action(QStringLiteral("Load1"))->setVisible(v.loadDefaults);
  action(QStringLiteral("Connect1"))->setVisible(v.connect);
  action(QStringLiteral("ChangeRevision1"))->setVisible(v.changeRevision);
  action(QStringLiteral("Disconnect1"))->setVisible(v.disconnect);
  action(QStringLiteral("WritetoUnit1"))->setVisible(v.writeToUnit);
  action(QStringLiteral("ChangePassword1"))->setVisible(v.changePassword);
  action(QStringLiteral("Save1"))->setText(QString::fromStdString(v.saveCaption));
  menu(QStringLiteral("DRA_Commands"))->menuAction()->setVisible(v.family == 1);
  menu(QStringLiteral("DRB_Commands"))->menuAction()->setVisible(v.family == 2);
  menu(QStringLiteral("FDX_Commands"))->menuAction()->setVisible(v.family == 3);
  dra_display_P->setVisible(v.family == 1);
  drb_display_P->setVisible(v.family == 2);
  fdx_display_P->setVisible(v.family == 3);
  Details_B->setVisible(v.detailsAndReset);
  Reset_B->setVisible(v.detailsAndReset);
  PageControl1->setTabVisible(PageControl1->indexOf(Metering_Tab), v.meteringAndEventTabs);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet3), v.meteringAndEventTabs);
  network_P->setText(QString::fromStdString(v.networkText));
  QPalette p = network_P->palette();
  p.setColor(QPalette::WindowText, v.networkGood ? kGoodColor : kErrorColor);
  network_P->setPalette(p);
}

void TMainF::DisconnectUnit() {
  session_->DisconnectUnit();
  RenderSession();
}

void TMainF::ApplyColors() {
  const UserColors c = userColors();
  PaintFace(this, c.form);
  PaintFace(central_, c.form);
  for (QWidget* w : {static_cast<QWidget*>(main_display_P), static_cast<QWidget*>(dra_display_P),
                     static_cast<QWidget*>(drb_display_P), static_cast<QWidget*>(fdx_display_P),
                     static_cast<QWidget*>(Status_P), static_cast<QWidget*>(Setpoints_P),
                     static_cast<QWidget*>(tree_P), static_cast<QWidget*>(write_error_L),
                     static_cast<QWidget*>(events_P)}) {
    PaintFace(w, c.form);
  }
  for (QWidget* strip : {first_P->parentWidget(), static_cast<QWidget*>(dra_display_P),
                         static_cast<QWidget*>(drb_display_P), static_cast<QWidget*>(fdx_display_P),
                         static_cast<QWidget*>(Status_P)}) {
    for (QLabel* panel : strip->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
      PaintFace(panel, c.background);
    }
  }
  PaintFace(empty_P, c.background);
  PaintFace(packet_P, packetStatsShown_ ? c.fixedbox : c.background);
  for (QTableWidget* grid : {Setpoints_Grid, Meter_Grid, RTD_Grid, Events_Grid}) {
    QPalette p = grid->palette();
    p.setColor(QPalette::Base, c.background);
    p.setColor(QPalette::AlternateBase, c.background);
    grid->setPalette(p);
    QPalette h = grid->horizontalHeader()->palette();
    h.setColor(QPalette::Button, c.fixedbox);
    h.setColor(QPalette::Window, c.fixedbox);
    grid->horizontalHeader()->setPalette(h);
    grid->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background-color: %1; color: black;"
                       " border: 1px solid #808080; padding: 2px; }")
            .arg(c.fixedbox.name()));
  }
  PaintBase(Setpoints_Tree, c.editbox);
  PaintFace(out_of_range_P, kWarningColor);
  // Hide and show the pages so that every cell repaints in the new colours.
  PageControl1->hide();
  PageControl1->show();
}

void TMainF::PageControl1Change() {
  update();
  // The Events page refreshes its records here once event reading is built.
}

bool TMainF::eventFilter(QObject* watched, QEvent* event) {
  if (EscapeCancelsLink(watched, event)) return true;
  if (event->type() == QEvent::Resize && (watched == central_ || watched == Setpoints_Tab ||
                                          watched == Metering_Tab || watched == TabSheet3)) {
    FormResize();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainF::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TMainF::FormResize() {
  if (!central_ || !PageControl1) return;
  const int w = width();
  const int cw = central_->width();
  const int ch = central_->height();
  const QWidget* page =
      PageControl1->currentWidget() ? PageControl1->currentWidget() : Setpoints_Tab;
  // Lay out against the page area the page control gives its pages.
  const int pageHeightNow = std::max(1, ch - kPageControlHeightMargin);
  PageControl1->setGeometry(0, kPageControlTop, cw, pageHeightNow);
  const int t = page->width();
  const int ph = page->height();
  layout_ = ComputeMainLayout(w, t, ph, first_P->frameWidth());

  main_display_P->setGeometry(0, 0, cw, kStatusStripHeight);
  first_P->setGeometry(2, 2, layout_.firstPanelWidth, kStatusStripHeight - 4);
  second_P->setGeometry(cw - 402, 2, 198, kStatusStripHeight - 4);
  third_P->setGeometry(cw - 200, 2, 196, kStatusStripHeight - 4);
  const int buttonTop = (first_P->height() - kDetailsButtonHeight) / 2;
  Reset_B->setGeometry(layout_.resetLeft, buttonTop, kDetailsButtonWidth, kDetailsButtonHeight);
  Details_B->setGeometry(layout_.detailsLeft, buttonTop, kDetailsButtonWidth, kDetailsButtonHeight);

  for (QFrame* strip : {dra_display_P, drb_display_P, fdx_display_P}) {
    strip->setGeometry(0, kStatusStripHeight, cw, kStatusStripHeight);
  }
  // Panels of the family strips, left to right.
  auto placePanels = [](QFrame* strip, int firstWidth, int panelWidth) {
    int x = 2;
    bool first = true;
    for (QLabel* panel : strip->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
      const int pw = first ? firstWidth : panelWidth;
      panel->setGeometry(x, 2, pw, kStatusStripHeight - 4);
      x += pw + 2;
      first = false;
    }
  };
  placePanels(dra_display_P, 120, 64);
  placePanels(drb_display_P, 120, 64);
  placePanels(fdx_display_P, 120, 64);
  const int buttonH = kStatusStripHeight - 6;
  Start1_B->setGeometry(layout_.start1Left, 3, kStripButtonWidth, buttonH);
  Start2_B->setGeometry(layout_.start2Left, 3, kStripButtonWidth, buttonH);
  Stop_B->setGeometry(layout_.stopLeft, 3, kStripButtonWidth, buttonH);

  Status_P->setGeometry(0, ch - kStatusBarHeight, cw, kStatusBarHeight);
  const int sh = kStatusBarHeight - 4;
  int x = 2;
  for (auto [panel, pw] : {std::pair<QLabel*, int>{network_P, 108},
                           {unit_P, 100},
                           {version_P, 140},
                           {serial_P, 110},
                           {time_P, 96}}) {
    panel->setGeometry(x, 2, pw, sh);
    x += pw + 2;
  }
  // While a link sequence runs, its Cancel button takes the progress bar's
  // right end.
  const int progressWidth = std::max(0, layout_.progressWidth);
  const int cancelWidth = linkCancel_B && linkCancel_B->isVisible() ? 64 : 0;
  read_Progress->setGeometry(x, 3, std::max(0, progressWidth - cancelWidth), sh - 2);
  if (linkCancel_B) linkCancel_B->setGeometry(x + progressWidth - 62, 2, 62, sh);

  // Metering page.
  const MainLayout& m = layout_;
  Meter_Grid->setGeometry(m.meterGrid.left, m.meterGrid.top, m.meterGrid.width, m.meterGrid.height);
  RTD_Grid->setGeometry(m.rtdGrid.left, m.rtdGrid.top, m.rtdGrid.width, m.rtdGrid.height);
  for (QTableWidget* grid : {Meter_Grid, RTD_Grid}) {
    const int cols = (grid->width() - 4) / 3;
    grid->setColumnWidth(1, cols + (grid->width() - 4) % 3 + cols / 2);
    grid->setColumnWidth(2, cols);
    grid->setColumnWidth(3, cols / 2);
  }

  // Setpoints page: tree on the left, grid on the right, bars under them.
  const int barHeight = 34;
  const int treeBottom = tree_P->isVisible() ? ph - barHeight - 2 : ph - 2;
  Setpoints_Tree->setGeometry(2, 2, m.treeWidth, treeBottom - 2);
  tree_P->setGeometry(2, ph - barHeight, m.treeWidth, barHeight - 2);
  const int gridBottom = Setpoints_P->isVisible() ? ph - barHeight - 2 : ph - 2;
  Setpoints_Grid->setGeometry(m.gridLeft, 2, m.gridWidth, gridBottom - 2);
  Setpoints_P->setGeometry(m.gridLeft, ph - barHeight, m.gridWidth, barHeight - 2);
  out_of_range_P->setGeometry(m.gridLeft, gridBottom - 24, m.gridWidth, 24);
  for (int i = 0; i < 6; ++i) {
    if (m.gridColumnWidths[i] > 0) Setpoints_Grid->setColumnWidth(i, m.gridColumnWidths[i]);
  }

  // Events page.
  TabSheet3->setMinimumSize(0, 0);
  events_P->setGeometry(2, TabSheet3->height() - barHeight, TabSheet3->width() - 4, barHeight - 2);
  Events_Grid->setGeometry(2, 2, TabSheet3->width() - 4, TabSheet3->height() - barHeight - 4);
  const int ecols = (Events_Grid->width() - 4) / 3;
  Events_Grid->setColumnWidth(1, ecols + ecols / 2);
  Events_Grid->setColumnWidth(2, ecols);
  Events_Grid->setColumnWidth(3, ecols / 2);
}

void TMainF::closeEvent(QCloseEvent* event) {
  // The sequence on the link is stopped first; the close comes back once it
  // has ended and nothing holds the window busy.
  if (linkDepth_ > 0) {
    CancelLinkSequence();
    event->ignore();
    QTimer::singleShot(kIdleRetryMs, this, [this] { RunWhenIdle([this] { close(); }); });
    return;
  }
  if (!CloseSequence()) {
    event->ignore();
    return;
  }
  event->accept();
}

bool TMainF::CloseSequence() {
  // The save clears the working state's flag when it succeeds; the question
  // reads it back from there.
  bool unsaved = session_->UnsavedChanges();
  const std::function<void()> save = [this, &unsaved] {
    if (saveSetpointFile) saveSetpointFile();
    unsaved = session_->UnsavedChanges();
  };
  const bool mayClose = MayCloseWithChanges(unsaved, session_->Online(), *dialogs_, save);
  session_->SetUnsavedChanges(unsaved);
  if (!mayClose) return false;
  const QRect frame = frameGeometry();
  StoreWindowPlacement(prefs_, isMaximized(), frame.top(), frame.left(), height(), width());
  WritePreferences(prefs_);
  DisconnectUnit();
  return true;
}

void TMainF::Exit1Click() {
  close();
}

void TMainF::Disconnect1Click() {
  DisconnectUnit();
}

}  // namespace kvx
