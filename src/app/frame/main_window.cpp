#include "app/frame/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include "app/comm/traffic_window.h"
#include "app/datalog/datalog_commands.h"
#include "app/dialogs/progress_window.h"
#include "app/dialogs/window_dialogs.h"
#include "app/events/events_page_view.h"
#include "app/frame/file_commands.h"
#include "app/frame/help_commands.h"
#include "app/frame/link_commands.h"
#include "app/frame/password_commands.h"
#include "app/frame/preferences_store.h"
#include "app/frame/process_locale.h"
#include "app/metering/metering_page_view.h"
#include "app/monitor/monitor_hookup.h"
#include "app/setpoints/setpoint_page_view.h"
#include "session/handed_over_front_end.h"
#include "session/handover.h"
#include "session/link_worker.h"
#include "setpoints/defaults_location.h"
#include "shell/close_sequence.h"

namespace kvx {
namespace {

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

}  // namespace

MainWindow::MainWindow(const MainWindowOptions& options) {
  setObjectName(QStringLiteral("TMainF"));
  UseDotDecimalSeparator();
  setMinimumSize(kMainMinWidth, kMainMinHeight);
  resize(kMainMinWidth, kMainMinHeight);
  QFont f = font();
  f.setPointSize(9);
  setFont(f);

  programFolder_ = options.programFolder.isEmpty() ? QCoreApplication::applicationDirPath()
                                                   : options.programFolder;
  // Beside the program in the build tree, under ../share/kvx-comm when installed.
  defaultsFolder_ =
      QString::fromStdString(FindDataFolder(programFolder_.toStdString(), "Defaults").string()) +
      QDir::separator();

  // The working state with its empty setting and group tables, and the
  // dialogs its sequences talk through (handed over from the link worker).
  dialogs_ = std::make_unique<WindowDialogs>(this);
  passwords_ = std::make_unique<WindowPasswords>(this, [this] { return userColors(); });
  StartLink();
  session_ = std::make_unique<WorkingState>(*linkDialogs_, *linkPasswords_,
                                            std::filesystem::path(defaultsFolder_.toStdString()));
  session_->SetPageRefresh([this] { handover_->Run([this] { OnPageChanged(); }); });

  // The frame: menus, strips, pages, status bar, timers; then the views
  // that fill the pages.
  central_ = new QWidget(this);
  setCentralWidget(central_);
  central_->installEventFilter(this);
  menus_ = BuildFrameMenus(menuBar());
  strips_ = BuildFrameStrips(central_);
  BuildPages();
  statusBar_ = BuildFrameStatusBar(central_);
  timers_ = BuildFrameTimers(this, passwordTimeoutMs_, logPeriodMs_);
  setpointsView_ = new SetpointPageView(*this, pages_->widget(0), statusBar_.progress,
                                        timers_.setpoints, timers_.notice);
  setpointsView_->onPrint = [this] { menus_.print->trigger(); };
  meteringView_ = new MeteringPageView(this, pages_->widget(1));
  eventsView_ = new EventsPageView(*this, pages_->widget(2), timers_.trackbar);
  eventsView_->onRefresh = [this] { OnPageChanged(); };
  progress_ = std::make_unique<WindowProgress>(this, statusBar_.progress);
  progress_->onCancel = [this] { CancelLinkSequence(); };
  linkProgress_ = std::make_unique<HandedOverProgress>(*progress_, *handover_);
  session_->SetProgress(linkProgress_.get());
  AttachTrafficWindow(this, menus_.showTraffic, *session_);

  files_ = std::make_unique<FileCommands>(*this);
  link_ = std::make_unique<LinkCommands>(*this);
  password_ = std::make_unique<PasswordCommands>(*this);
  help_ = std::make_unique<HelpCommands>(*this);
  datalog_ = std::make_unique<DatalogCommands>(*this, menus_.datalogEnable, menus_.datalogTiming,
                                               timers_.dataLog);
  AttachMonitor(*this, *meteringView_);
  WireMenus();

  session_->SetUnsavedChanges(false);
  // What needs loaded definitions stays hidden until they are loaded.
  for (QAction* a :
       {menus_.save, menus_.writeToUnit, menus_.print, menus_.saveAsText, menus_.changeRevision}) {
    a->setVisible(false);
  }

  prefs_ = ReadPreferences();
  move(OnSomeScreen(QPoint(prefs_.left, prefs_.top)));
  if (prefs_.maximized) {
    setWindowState(windowState() | Qt::WindowMaximized);
  } else {
    resize(std::max(prefs_.width, kMainMinWidth), std::max(prefs_.height, kMainMinHeight));
  }
  ApplyColors();

  DisconnectUnit();
  LayOutFrame();

  // A file named on the command line.
  if (!options.openFileAtStart.isEmpty()) {
    const QString path = options.openFileAtStart;
    QTimer::singleShot(0, this, [this, path] {
      RunWhenIdle([this, path] {
        if (openSetpointFile) openSetpointFile(path);
      });
    });
  }
  // The demonstration relay, or the link named on the command line, as if
  // chosen in the options dialog (the options are kept for the next Connect).
  std::optional<CommOptions> atStart = options.connectAtStart;
  if (!atStart && options.connectTcpPortAtStart > 0) {
    CommOptions demo = commOptions_;
    demo.protocol = ProtocolKind::ModbusTcp;
    demo.remoteHost = "127.0.0.1";
    demo.remotePort = std::to_string(options.connectTcpPortAtStart);
    atStart = demo;
  }
  if (atStart) {
    CommOptions link = *atStart;
    link.cancelled = false;
    QTimer::singleShot(0, this, [this, link] {
      RunWhenIdle([this, link] {
        commOptions_ = link;
        ConnectWith(link);
      });
    });
  }
}

MainWindow::~MainWindow() {
  StopLink();
}

void MainWindow::BuildPages() {
  pages_ = new QTabWidget(central_);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  pages_->setMinimumSize(742, 410);
  pages_->addTab(new QWidget, QStringLiteral("Setpoints"));
  pages_->addTab(new QWidget, QStringLiteral("Metering"));
  pages_->addTab(new QWidget, QStringLiteral("Events"));
  connect(pages_, &QTabWidget::currentChanged, this, [this] {
    // Leaving the Setpoints page takes what an open editor holds.
    if (setpointsView_) setpointsView_->CommitOpenEditor();
    OnPageChanged();
  });
  for (int i = 0; i < pages_->count(); ++i) pages_->widget(i)->installEventFilter(this);
}

void MainWindow::RunWhenIdle(const std::function<void()>& work) {
  if (IsBusy()) {
    QTimer::singleShot(kIdleRetryMs, this, [this, work] { RunWhenIdle(work); });
    return;
  }
  work();
}

QString MainWindow::lastFolder() const {
  const std::filesystem::path& used = session_->LastFolder();
  return used.empty() ? programFolder_ : QString::fromStdString(used.string());
}

void MainWindow::Busy(const std::function<void()>& work) {
  struct Hold {
    MainWindow& window;
    explicit Hold(MainWindow& w) : window(w) {
      if (window.busyDepth_++ == 0) {
        window.ShowConfirmation(QString());
        window.EnableControls(false);
      }
    }
    ~Hold() {
      if (--window.busyDepth_ == 0) window.EnableControls(true);
    }
  } hold(*this);
  work();
}

void MainWindow::EnableControls(bool enabled) {
  // A value typed and not yet committed belongs to the user's edits before
  // any sequence looks at them.
  setpointsView_->EnableControls(enabled);
  eventsView_->EnableControls(enabled);
  for (QMenu* m : menus_.All()) m->menuAction()->setEnabled(enabled);
  for (QWidget* w : {static_cast<QWidget*>(strips_.start1), static_cast<QWidget*>(strips_.start2),
                     static_cast<QWidget*>(strips_.stop), static_cast<QWidget*>(strips_.details),
                     static_cast<QWidget*>(strips_.reset), static_cast<QWidget*>(pages_)}) {
    w->setEnabled(enabled);
  }
}

// --- rendering --------------------------------------------------------------

void MainWindow::ShowConfirmation(const QString& text) {
  QLabel* label = statusBar_.message;
  if (!label) return;
  QPalette ink = label->palette();
  ink.setColor(QPalette::WindowText, TextOn(ink.color(QPalette::Window)));
  label->setPalette(ink);
  label->setText(text);
  label->setToolTip(text);
  label->setVisible(!text.isEmpty());
  if (!text.isEmpty()) label->raise();
}

void MainWindow::ShowFailure(const QString& text) {
  ShowConfirmation(text);
  QPalette ink = statusBar_.message->palette();
  ink.setColor(QPalette::WindowText, InkOn(kErrorColor, ink.color(QPalette::Window)));
  statusBar_.message->setPalette(ink);
}

QString MainWindow::confirmation() const {
  return statusBar_.message->isVisibleTo(statusBar_.bar) ? statusBar_.message->text() : QString();
}

void MainWindow::ShowConnectionView(bool online, int family) {
  ApplyConnectionView(ViewFor(online, family));
}

void MainWindow::ApplyConnectionView(const ConnectionView& v) {
  menus_.open->setVisible(v.openFile);
  menus_.loadDefaults->setVisible(v.loadDefaults);
  menus_.connect->setVisible(v.connect);
  menus_.changeRevision->setVisible(v.changeRevision);
  menus_.disconnect->setVisible(v.disconnect);
  menus_.writeToUnit->setVisible(v.writeToUnit);
  menus_.changePassword->setVisible(v.changePassword);
  menus_.save->setText(QString::fromStdString(v.saveCaption));
  menus_.draCommands->menuAction()->setVisible(v.family == 1);
  menus_.drbCommands->menuAction()->setVisible(v.family == 2);
  menus_.fdxCommands->menuAction()->setVisible(v.family == 3);
  strips_.draStrip->setVisible(v.family == 1);
  strips_.drbStrip->setVisible(v.family == 2);
  strips_.fdxStrip->setVisible(v.family == 3);
  strips_.details->setVisible(v.detailsAndReset);
  strips_.reset->setVisible(v.detailsAndReset);
  pages_->setTabVisible(pages_->indexOf(meteringView_->page()), v.meteringAndEventTabs);
  pages_->setTabVisible(pages_->indexOf(eventsView_->page()), v.meteringAndEventTabs);
  statusBar_.network->setText(QString::fromStdString(v.networkText));
  QPalette p = statusBar_.network->palette();
  p.setColor(QPalette::WindowText,
             InkOn(v.networkGood ? kGoodColor : kErrorColor, p.color(QPalette::Window)));
  statusBar_.network->setPalette(p);
}

void MainWindow::ApplyColors() {
  const UserColors c = userColors();
  PaintFace(this, c.form);
  PaintFace(central_, c.form);
  for (QWidget* w :
       {static_cast<QWidget*>(strips_.statusStrip), static_cast<QWidget*>(strips_.draStrip),
        static_cast<QWidget*>(strips_.drbStrip), static_cast<QWidget*>(strips_.fdxStrip),
        static_cast<QWidget*>(statusBar_.bar)}) {
    PaintFace(w, c.form);
    for (QLabel* panel : w->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
      PaintFace(panel, c.background);
    }
  }
  setpointsView_->ApplyColors(c);
  meteringView_->ApplyColors(c);
  eventsView_->ApplyColors(c);
  // Hide and show the pages so that every cell repaints in the new colours.
  pages_->hide();
  pages_->show();
  // The link panel's red or green is measured against the new colours.
  RenderLinkState();
}

void MainWindow::OnPageChanged() {
  update();
  if (online() && pages_->currentWidget() == eventsView_->page()) eventsView_->Refresh();
}

// --- layout -------------------------------------------------------------------

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (EscapeCancelsLink(watched, event)) return true;
  if (event->type() == QEvent::Resize && pages_ &&
      (watched == central_ ||
       (watched->isWidgetType() && pages_->indexOf(static_cast<QWidget*>(watched)) >= 0))) {
    LayOutFrame();
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayOutFrame();
}

void MainWindow::LayOutFrame() {
  if (!central_ || !pages_ || !eventsView_) return;
  const int cw = central_->width();
  const int ch = central_->height();
  const QWidget* page = pages_->currentWidget() ? pages_->currentWidget() : pages_->widget(0);
  // Lay out against the page area the page control gives its pages.
  pages_->setGeometry(0, kPageControlTop, cw, std::max(1, ch - kPageControlHeightMargin));
  layout_ = ComputeMainLayout(width(), page->width(), page->height(),
                              strips_.statusTexts[0]->frameWidth());
  strips_.LayOut(layout_, cw);
  statusBar_.LayOut(layout_, cw, ch);
  meteringView_->LayOut(layout_);
  setpointsView_->LayOut(layout_, page->height());
  eventsView_->LayOut();
}

// --- close --------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
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

bool MainWindow::CloseSequence() {
  // A value typed and not yet committed is part of the work the question
  // below is about.
  setpointsView_->CommitOpenEditor();
  // The save clears the working state's flag when it succeeds; the question
  // reads it back from there. Edits not applied count as unsaved work too:
  // the save offers to apply them first.
  bool unsaved = session_->UnsavedChanges() || session_->PendingChanges();
  const std::function<void()> save = [this, &unsaved] {
    if (saveSetpointFile) saveSetpointFile();
    unsaved = session_->UnsavedChanges();
  };
  const bool mayClose = MayCloseWithChanges(unsaved, *dialogs_, save);
  if (!unsaved) session_->SetUnsavedChanges(false);
  if (!mayClose) return false;
  const QRect frame = frameGeometry();
  StoreWindowPlacement(prefs_, isMaximized(), frame.top(), frame.left(), height(), width());
  WritePreferences(prefs_);
  DisconnectUnit();
  return true;
}

void MainWindow::OnExit() {
  close();
}

}  // namespace kvx
