// The window while the relay stops answering in the middle of its work: the
// simulator program is stopped with SIGSTOP while online. Apply and Refresh
// run on the link worker, so the window keeps running its timers and
// painting; Escape or the Cancel button ends the sequence within one
// exchange (three attempts of 500 ms over TCP); the message says how far it
// got; what was not verified stays pending; after SIGCONT a retry succeeds.

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/frame/main_window.h"
#include "app/setpoints/setpoint_page_view.h"
#include "gui_helpers.h"
#include "setpoints/number_text.h"
#include "shell/scripted_dialogs.h"
#include "sim_program.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");
// One exchange over TCP: three attempts of 500 ms, with room for a loaded machine.
constexpr qint64 kOneExchangeMs = 1500 + 1000;

// Counts a timer's ticks and paints of the window while a sequence runs.
class Liveliness : public QObject {
 public:
  explicit Liveliness(QWidget* window) {
    window->installEventFilter(this);
    for (QWidget* w : window->findChildren<QWidget*>()) w->installEventFilter(this);
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { ++ticks; });
    timer_.start();
  }
  int ticks = 0;
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }

 private:
  QTimer timer_;
};

// The worst lateness of a 10 ms timer while `active` holds: how long the
// window's event loop was kept from running.
class StallProbe : public QObject {
 public:
  StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      if (active && last_ >= 0) worstMs = std::max(worstMs, (now - last_) / 1e6 - 10.0);
      last_ = now;
    });
    clock_.start();
    timer_.start();
  }
  // The worst lateness during `work` alone.
  double Measure(const std::function<void()>& work) {
    last_ = -1;
    worstMs = 0;
    active = true;
    work();
    active = false;
    return worstMs;
  }
  bool active = false;
  double worstMs = 0;

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
};

struct Bench {
  explicit Bench(QStringList simArgs = {QStringLiteral("--delay-ms"), QStringLiteral("15")})
      : sim(std::move(simArgs)) {
    Open();
  }
  test::SimProgram sim;
  std::unique_ptr<MainWindow> window;
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;

  void Open() {
    MainWindowOptions options;
    options.programFolder = kProgramFolder;
    window = std::make_unique<MainWindow>(options);
    window->useDialogs(&dialogs);
    window->usePasswords(&passwords);
    window->findChild<QTimer*>(QStringLiteral("setpoint_timer"))->stop();
    window->askCommOptions = [this](CommOptions& o) {
      o.cancelled = false;
      o.protocol = ProtocolKind::ModbusTcp;
      o.remoteHost = "127.0.0.1";
      o.remotePort = std::to_string(sim.Port());
    };
  }
  SetpointPageView& page() { return window->setpointsView(); }
  SettingRecord& setting(int x) { return window->settingStore().settings.at(x); }
  QString writeError() {
    return window->findChild<QLabel*>(QStringLiteral("write_error_L"))->text();
  }
  QLabel* network() {
    return qobject_cast<QLabel*>(window->findChild<QWidget*>(QStringLiteral("network_P")));
  }
  // Register x is listed, its row drawn blue (edited, not yet verified).
  bool Blue(int x) {
    const int row = page().model().RowOf(x);
    return row >= 0 && page().model().Rows()[static_cast<std::size_t>(row)].changed;
  }
  QString cell(int x, int column) {
    auto* grid =
        qobject_cast<QTableWidget*>(window->findChild<QWidget*>(QStringLiteral("Setpoints_Grid")));
    const int row = page().model().RowOf(x);
    return row < 0 ? QString() : grid->item(row, column)->text();
  }
  // Ticks the first `count` groups of the tree and lists them.
  void TickGroups(int count) {
    auto* tree =
        qobject_cast<QTreeWidget*>(window->findChild<QWidget*>(QStringLiteral("Setpoints_Tree")));
    int ticked = 0;
    for (QTreeWidgetItemIterator it(tree); *it && ticked < count; ++it) {
      if ((*it)->childCount() == 0 && (*it)->parent()) {
        page().ClickNode(*it);
        ++ticked;
      }
    }
    window->Busy([this] { page().RebuildGrid(); });
  }
  // Edits up to `count` listed number settings; the registers, in order.
  std::vector<int> Edit(int count) {
    std::vector<int> edited;
    for (const SetpointRow& row : std::vector<SetpointRow>(page().model().Rows())) {
      if (row.kind != RowKind::Setting || static_cast<int>(edited.size()) == count) continue;
      const int x = row.reg;
      const SettingRecord& s = setting(x);
      if (s.access != 0 || (s.typeCode != 1 && s.typeCode != 3)) continue;
      const double low = ParseNumber(s.minText).value_or(0);
      const double high = ParseNumber(s.maxText).value_or(0);
      if (high - low < 4) continue;
      const double now = ParseNumber(s.value).value_or(low);
      std::string notice;
      double corrected = 0;
      if (page().model().EditNumber(x, now == low + 2 ? low + 3 : low + 2, notice, corrected)) {
        edited.push_back(x);
      }
    }
    std::sort(edited.begin(), edited.end());
    return edited;
  }
};

}  // namespace

class LinkWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void applyWithTheRelayStoppedCanBeCancelled();
  void refreshWithTheRelayStoppedCanBeCancelled();
  void stallDuringConnectSelectAllAndApply();
};

void LinkWindowTest::applyWithTheRelayStoppedCanBeCancelled() {
  Bench b;
  QVERIFY(b.sim.Ready() && b.sim.Port() > 0);
  MainWindow& w = *b.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));
  w.OnConnect();
  QVERIFY(w.online());
  b.TickGroups(6);
  // One apply with the relay answering opens the password's grace period.
  QCOMPARE(b.Edit(1).size(), std::size_t{1});
  b.passwords.AddPassword("1234");
  b.page().OnApply();
  QCOMPARE(b.writeError(), QString());
  const std::vector<int> edited = b.Edit(8);
  QCOMPARE(edited.size(), std::size_t{8});

  // Each setting takes a write and a read-back of 15 ms each: the relay
  // stops after about three, Escape comes while an exchange hangs.
  Liveliness live(&w);
  QElapsedTimer clock;
  qint64 cancelledAt = -1;
  bool runningWhenCancelled = false;
  QTimer::singleShot(100, [&] { b.sim.Pause(); });
  QTimer::singleShot(400, [&] {
    runningWhenCancelled = w.LinkSequenceRunning();
    cancelledAt = clock.elapsed();
    QTest::keyClick(&w, Qt::Key_Escape);
  });
  clock.start();
  b.page().OnApply();
  const qint64 endedAt = clock.elapsed();
  QVERIFY(runningWhenCancelled);
  QVERIFY2(endedAt - cancelledAt < kOneExchangeMs,
           qPrintable(QStringLiteral("ended %1 ms after Escape").arg(endedAt - cancelledAt)));
  QVERIFY2(live.ticks >= 20, qPrintable(QString::number(live.ticks)));
  QVERIFY(live.paints > 0);

  const QRegularExpression stopped(
      QStringLiteral("^Apply stopped: (\\d+) of 8 settings written and verified$"));
  const auto match = stopped.match(b.writeError());
  QVERIFY2(match.hasMatch(), qPrintable(b.writeError()));
  const int done = match.captured(1).toInt();
  qInfo("%s (ended %lld ms after Escape; %d timer ticks, %d paints meanwhile)",
        qPrintable(b.writeError()), endedAt - cancelledAt, live.ticks, live.paints);
  QVERIFY(done < 8);
  int verified = 0;
  for (int x : edited) {
    if (b.setting(x).changed == 0) {
      ++verified;
    } else {
      // Not verified: still the user's edit, blue in the grid.
      QVERIFY(b.Blue(x));
    }
  }
  QCOMPARE(verified, done);
  QVERIFY(w.session().PendingChanges());
  QCOMPARE(b.network()->text(), QStringLiteral("NO ANSWER"));
  QCOMPARE(b.network()->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
  QVERIFY(!b.window->IsBusy());

  // The relay answers again: the retry writes the rest.
  b.sim.Resume();
  b.page().OnApply();
  QCOMPARE(b.writeError(), QString());
  for (int x : edited) QCOMPARE(b.setting(x).changed, 0);
  QVERIFY(!w.session().PendingChanges());
  QCOMPARE(b.network()->text(), QStringLiteral("ONLINE"));
  QCOMPARE(b.network()->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));
}

void LinkWindowTest::refreshWithTheRelayStoppedCanBeCancelled() {
  Bench b;
  QVERIFY(b.sim.Ready() && b.sim.Port() > 0);
  MainWindow& w = *b.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.OnConnect();
  QVERIFY(w.online());
  b.TickGroups(4);
  QCOMPARE(b.writeError(), QString());

  b.sim.Pause();
  Liveliness live(&w);
  QElapsedTimer clock;
  qint64 cancelledAt = -1;
  QTimer::singleShot(300, [&] {
    auto* cancel = w.findChild<QPushButton*>(QStringLiteral("LinkCancel_B"));
    QVERIFY(cancel && cancel->isVisible());
    cancelledAt = clock.elapsed();
    cancel->click();
  });
  clock.start();
  b.page().OnRefresh();
  const qint64 endedAt = clock.elapsed();
  QVERIFY(cancelledAt >= 0);
  QVERIFY2(endedAt - cancelledAt < kOneExchangeMs,
           qPrintable(QStringLiteral("ended %1 ms after Cancel").arg(endedAt - cancelledAt)));
  QVERIFY2(live.ticks >= 20, qPrintable(QString::number(live.ticks)));
  QCOMPARE(b.writeError(), QStringLiteral("Reading stopped: 0 of 4 groups read"));
  QCOMPARE(b.network()->text(), QStringLiteral("NO ANSWER"));
  QVERIFY(!w.findChild<QPushButton*>(QStringLiteral("LinkCancel_B"))->isVisible());

  b.sim.Resume();
  b.page().OnRefresh();
  QCOMPARE(b.network()->text(), QStringLiteral("ONLINE"));
  // The group whose read failed was unticked; the three the cancel left
  // waiting are read now.
  QCOMPARE(b.writeError(), QString());
  int listed = 0;
  for (const SetpointRow& row : b.page().model().Rows())
    listed += row.kind != RowKind::Setting ? 0 : 1;
  QVERIFY(listed > 0);
}

// Not a pass/fail bound on the figure (machines differ): the probe prints the
// worst stall of the window's event loop while it connects over Modbus RTU at
// 9600 baud, lists every group and applies 40 settings.
void LinkWindowTest::stallDuringConnectSelectAllAndApply() {
  Bench b({QStringLiteral("--rtu-pty"),
           QDir::temp().filePath(
               QStringLiteral("kvx-stall-%1").arg(QCoreApplication::applicationPid())),
           QStringLiteral("--pace-baud"), QStringLiteral("9600")});
  QVERIFY(b.sim.Ready());
  QVERIFY(!b.sim.RtuLink().empty());
  MainWindow& w = *b.window;
  w.askCommOptions = [&](CommOptions& o) {
    o.cancelled = false;
    o.protocol = ProtocolKind::ModbusRtu;
    o.portName = b.sim.RtuLink();
    o.baudRate = 9600;
    o.baudText = "9600";
  };
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  StallProbe probe;
  QElapsedTimer clock;
  clock.start();
  const double connectMs = probe.Measure([&] { w.OnConnect(); });
  QVERIFY(w.online());
  const qint64 connectTook = clock.restart();
  const double selectMs = probe.Measure([&] { b.page().OnSelectAll(); });
  const qint64 selectTook = clock.restart();
  const std::vector<int> edited = b.Edit(40);
  QCOMPARE(edited.size(), std::size_t{40});
  b.passwords.AddPassword("1234");
  clock.restart();
  const double applyMs = probe.Measure([&] { b.page().OnApply(); });
  const qint64 applyTook = clock.elapsed();
  const double worstMs = std::max({connectMs, selectMs, applyMs});
  QCOMPARE(b.writeError(), QString());
  for (int x : edited) QCOMPARE(b.setting(x).changed, 0);
  qInfo(
      "GUI-thread stall at 9600 baud: worst lateness of a 10 ms timer %.1f ms "
      "(connect %.1f ms in %lld ms, select all %.1f ms in %lld ms, apply of 40 %.1f ms in "
      "%lld ms)",
      worstMs, connectMs, connectTook, selectMs, selectTook, applyMs, applyTook);
  // Only a gross regression fails: the whole sequence back on the GUI thread.
  QVERIFY2(worstMs < 1000, qPrintable(QString::number(worstMs)));
}

QTEST_MAIN(LinkWindowTest)
#include "test_link_window.moc"
