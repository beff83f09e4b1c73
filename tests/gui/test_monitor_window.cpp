// The Metering page and the status panels online with the in-process
// simulated relay: filled by the polls, red while the relay is silent and
// black again after, the panels of each family, a trip raised on the relay,
// and a firmware change noticed by the identity re-check (message, then
// offline).

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/datalog/datalog_commands.h"
#include "app/frame/main_window.h"
#include "app/metering/metering_page_view.h"
#include "gui_helpers.h"
#include "shell/scripted_dialogs.h"
#include "sim/control_channel.h"
#include "sim/relay_simulation.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");

struct Online {
  Online(const char* model, int firmware, int identityEvery = kIdentityRecheckCycles) {
    std::string error;
    auto config = sim::MakeRelayConfig(
        model, firmware, std::filesystem::path(kProgramFolder.toStdString()) / "Defaults", error);
    if (!config) qFatal("%s", error.c_str());
    config->steady = true;
    relay = std::make_unique<sim::RelaySimulation>(*config);
    if (!relay->StartTcp().ok) qFatal("no TCP port");
    MainWindowOptions options;
    options.programFolder = kProgramFolder;
    window = std::make_unique<MainWindow>(options);
    window->useDialogs(&dialogs);
    window->session().SetIdentityRecheckCycles(identityEvery);
    window->show();
    CommOptions o = window->commOptions();
    o.protocol = ProtocolKind::ModbusTcp;
    o.remoteHost = "127.0.0.1";
    o.remotePort = std::to_string(relay->TcpPort());
    o.cancelled = false;
    connected = window->ConnectWith(o);
  }
  QLabel* Panel(const char* name) const {
    return window->findChild<QLabel*>(QString::fromLatin1(name));
  }
  QTableWidget* Grid(const char* name) const {
    return window->findChild<QTableWidget*>(QString::fromLatin1(name));
  }
  QString PanelText(const char* name) const {
    QLabel* p = Panel(name);
    return p ? p->text() : QStringLiteral("(missing %1)").arg(QLatin1String(name));
  }
  QColor PanelColor(const char* name) const {
    return Panel(name)->palette().color(QPalette::WindowText);
  }
  // The value cell of the meter grid's row for `reg`.
  QTableWidgetItem* MeterValue(int reg) const {
    QTableWidget* g = Grid("Meter_Grid");
    for (int r = 0; r < g->rowCount(); ++r) {
      if (g->item(r, 0) && g->item(r, 0)->text() == QString::number(reg)) return g->item(r, 2);
    }
    return nullptr;
  }

  ScriptedDialogs dialogs;
  std::unique_ptr<sim::RelaySimulation> relay;
  std::unique_ptr<MainWindow> window;
  bool connected = false;
};

}  // namespace

class MonitorWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void meteringPageFillsTurnsRedWhileSilentAndBlackAfter();
  void statusPanelsOfEachFamily_data();
  void statusPanelsOfEachFamily();
  void aTripOnTheRelayShowsRed();
  void aFirmwareChangeIsToldAndDisconnects();
  void meteringPageOfEachFamily_data();
  void meteringPageOfEachFamily();
  void dataLogWritesWhatThePageShows();
};

void MonitorWindowTest::meteringPageFillsTurnsRedWhileSilentAndBlackAfter() {
  Online o("DRA", 230);
  QVERIFY(o.connected);
  o.relay->Relay().SetRtdModules(1);
  QVERIFY(QTest::qWaitFor([&] { return o.MeterValue(868) && !o.MeterValue(868)->text().isEmpty(); },
                          10000));
  QCOMPARE(o.MeterValue(868)->text(), QStringLiteral("4160.00"));  // steady: the voltage base
  QCOMPARE(o.MeterValue(868)->foreground().color(), QColor(Qt::black));
  // The rows are the model's: the per-unit rows of a 2.30 definition, nine.
  QTableWidget* meter = o.Grid("Meter_Grid");
  int perUnit = 0;
  for (int r = 0; r < meter->rowCount(); ++r) perUnit += meter->item(r, 3)->text() == "pu";
  QCOMPARE(perUnit, 9);
  // The temperature grid: module 1 and the local sensors shown, modules 2 and 3 blank.
  const auto rtdName = [&](const QString& reg) {
    QTableWidget* rtd = o.Grid("RTD_Grid");
    for (int r = 0; r < rtd->rowCount(); ++r) {
      if (rtd->item(r, 0) && rtd->item(r, 0)->text() == reg) return rtd->item(r, 1)->text();
    }
    return QStringLiteral("(no row)");
  };
  QVERIFY(QTest::qWaitFor(
      [&] {
        return rtdName("902") == "   RTD Module 1 Number 1" && rtdName("918").isEmpty() &&
               rtdName("950") == "   Local Sensor 1";
      },
      5000));
  const QString before = o.MeterValue(868)->text();

  QCOMPARE(QString::fromStdString(sim::RunControlCommand(*o.relay, "silent on")), "ok");
  QVERIFY(QTest::qWaitFor(
      [&] { return o.MeterValue(868)->foreground().color() == QColor(0xFF, 0, 0); }, 15000));
  QCOMPARE(o.MeterValue(868)->text(), before);  // the last good value stays
  QVERIFY(o.window->online());

  QCOMPARE(QString::fromStdString(sim::RunControlCommand(*o.relay, "silent off")), "ok");
  QVERIFY(QTest::qWaitFor(
      [&] { return o.MeterValue(868)->foreground().color() == QColor(Qt::black); }, 15000));
  QVERIFY(QTest::qWaitFor([&] { return o.PanelText("network_P") == "ONLINE"; }, 5000));
}

void MonitorWindowTest::statusPanelsOfEachFamily_data() {
  QTest::addColumn<QString>("model");
  QTest::addColumn<int>("firmware");
  QTest::addColumn<QString>("panel");
  QTest::addColumn<QString>("text");
  QTest::newRow("DRA inputs") << "DRA" << 230 << "dra_dig_P"
                              << "Digital In: 1000000";
  QTest::newRow("DRA starter") << "DRA" << 230 << "third_P"
                               << "Starter: Idle";
  QTest::newRow("DRA watchdog relay") << "DRA" << 230 << "dra_ry5_P"
                                      << "RY5: ON";
  QTest::newRow("DRB motor") << "DRB-50" << 120 << "second_P"
                             << "Motor: No Current";
  QTest::newRow("DRB thermal reset") << "DRB-50" << 120 << "third_P"
                                     << "Emergency Thermal Reset: OFF";
  QTest::newRow("DRB input") << "DRB-50" << 120 << "drb_dig_P"
                             << "Digital Input: ON";
  QTest::newRow("FDX current") << "FDX-50" << 110 << "second_P"
                               << "Current Detected";
  QTest::newRow("FDX earth") << "FDX-50" << 110 << "fdx_3Io_P"
                             << "3Io <= Pickup";
  QTest::newRow("FDX input") << "FDX-50" << 110 << "third_P"
                             << "Digital Input: Valid";
}

void MonitorWindowTest::statusPanelsOfEachFamily() {
  QFETCH(QString, model);
  QFETCH(int, firmware);
  QFETCH(QString, panel);
  QFETCH(QString, text);
  Online o(model.toStdString().c_str(), firmware);
  QVERIFY(o.connected);
  const QByteArray name = panel.toLatin1();
  QVERIFY(QTest::qWaitFor([&] { return o.PanelText(name.constData()) == text; }, 10000));
  QCOMPARE(o.PanelText("first_P"), QStringLiteral("No Alarm or Trip"));
  QCOMPARE(o.PanelText("network_P"), QStringLiteral("ONLINE"));
  QCOMPARE(o.PanelText("time_P").size(), 8);  // hh:mm:ss
  QVERIFY(o.Panel(name.constData())->isVisibleTo(o.window.get()));
}

void MonitorWindowTest::aTripOnTheRelayShowsRed() {
  Online o("DRA", 230);
  QVERIFY(o.connected);
  QVERIFY(QTest::qWaitFor([&] { return o.PanelText("first_P") == "No Alarm or Trip"; }, 10000));
  QVERIFY(o.relay->Trip(34));
  QVERIFY(QTest::qWaitFor([&] { return o.PanelText("first_P") == "Trip1 or Trip3"; }, 5000));
  QCOMPARE(o.PanelColor("first_P"), QColor(0xFF, 0, 0));
  o.relay->Alarm(60);
  QVERIFY(QTest::qWaitFor(
      [&] { return o.PanelText("first_P") == "Trip1 or Trip3 and Alarm1, 2, or 3"; }, 5000));
  o.relay->ClearTrips();
  QVERIFY(QTest::qWaitFor([&] { return o.PanelText("first_P") == "No Alarm or Trip"; }, 5000));
  QCOMPARE(o.PanelColor("first_P"), QColor(Qt::black));
}

void MonitorWindowTest::aFirmwareChangeIsToldAndDisconnects() {
  Online o("DRA", 231, 4);
  QVERIFY(o.connected);
  QVERIFY(QTest::qWaitFor([&] { return o.PanelText("network_P") == "ONLINE"; }, 10000));
  QTest::qWait(2500);  // several re-checks of the same relay pass
  QVERIFY(o.window->online());
  QVERIFY(o.dialogs.asked().empty());
  QCOMPARE(QString::fromStdString(sim::RunControlCommand(*o.relay, "firmware 232")), "ok");
  QVERIFY(QTest::qWaitFor([&] { return !o.window->online(); }, 10000));
  QCOMPARE(o.dialogs.asked().size(), std::size_t{1});
  QCOMPARE(QString::fromStdString(o.dialogs.asked()[0].caption),
           QStringLiteral("Communications Error"));
  QVERIFY(QString::fromStdString(o.dialogs.asked()[0].text)
              .endsWith("different Model Code or Firmware Version than expected."));
  QCOMPARE(o.PanelText("network_P"), QStringLiteral("OFFLINE"));
  QVERIFY(!o.window->session().PollThreadsRunning());
}

void MonitorWindowTest::meteringPageOfEachFamily_data() {
  QTest::addColumn<QString>("model");
  QTest::addColumn<int>("firmware");
  QTest::addColumn<int>("perUnitRows");
  QTest::newRow("DRA 2.30") << "DRA" << 230 << 9;
  QTest::newRow("DRB-50 1.70") << "DRB-50" << 170 << 6;
  QTest::newRow("FDX-50 1.10") << "FDX-50" << 110 << 3;
}

// The page as the user sees it, with the motor running (or the feeder
// loaded) and one temperature module; pictures go to KVX_SCREENSHOT_DIR
// when it is set.
void MonitorWindowTest::meteringPageOfEachFamily() {
  QFETCH(QString, model);
  QFETCH(int, firmware);
  QFETCH(int, perUnitRows);
  Online o(model.toStdString().c_str(), firmware);
  QVERIFY(o.connected);
  o.relay->Relay().SetRtdModules(1);
  o.relay->Relay().SetCurrent(model == "FDX-50" ? 250.0 : 80.0);
  auto* pages = o.window->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
  pages->setCurrentIndex(
      pages->indexOf(o.window->findChild<QWidget*>(QStringLiteral("Metering_Tab"))));
  // Module 1's first channel shown (a cycle that began before the module was
  // fitted shows none).
  QVERIFY(QTest::qWaitFor(
      [&] {
        QTableWidget* rtd = o.Grid("RTD_Grid");
        return o.MeterValue(860) && o.MeterValue(860)->text().toDouble() > 1 &&
               rtd->rowCount() > 1 && rtd->item(1, 0)->text() == "902" &&
               !rtd->item(1, 2)->text().isEmpty();
      },
      10000));
  QTableWidget* meter = o.Grid("Meter_Grid");
  int pu = 0;
  for (int r = 0; r < meter->rowCount(); ++r) pu += meter->item(r, 3)->text() == "pu";
  QCOMPARE(pu, perUnitRows);
  QTest::qWait(300);
  const QByteArray dir = qgetenv("KVX_SCREENSHOT_DIR");
  if (!dir.isEmpty()) {
    QVERIFY(o.window->grab().save(QString::fromUtf8(dir) + "/metering_" + model + ".png"));
  }
}

// The window's data log copies the Metering page: one line after each fresh
// update, the values as the grid shows them, nothing while the relay is silent.
void MonitorWindowTest::dataLogWritesWhatThePageShows() {
  Online o("DRA", 230);
  QVERIFY(o.connected);
  o.relay->Relay().SetRtdModules(1);
  QVERIFY(QTest::qWaitFor([&] { return o.MeterValue(868) && !o.MeterValue(868)->text().isEmpty(); },
                          10000));
  QTemporaryDir dir;
  o.window->askFileName = [&dir](const FileRequest&) { return dir.filePath("Pump.txt"); };
  o.window->findChild<QAction*>(QStringLiteral("Datalog_Enable"))->trigger();
  DatalogCommands& log = o.window->datalog();
  QVERIFY(log.enabled());
  QVERIFY(QTest::qWaitFor([&] { return log.freshMetering(); }, 5000));
  log.Tick();
  const QDir folder(dir.path());
  const QStringList files = folder.entryList({QStringLiteral("Pump_*.txt")});
  QCOMPARE(files.size(), 1);
  const auto lines = [&] {
    QFile f(folder.filePath(files.front()));
    return f.open(QIODevice::ReadOnly)
               ? QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)
               : QStringList();
  };
  QStringList text = lines();
  QCOMPARE(text.size(), 2);
  qInfo().noquote() << "data log:\n" << text.join(QStringLiteral("\n"));
  const QStringList header = text[0].split(QLatin1Char('\t'));
  const QStringList values = text[1].split(QLatin1Char('\t'));
  QCOMPARE(values.size(), header.size());
  // Steady metering: the voltage reads the same on the page and in the log.
  const qsizetype voltage = header.indexOf(QStringLiteral("Voltage Vab"));
  QVERIFY2(voltage > 1, qPrintable(text[0]));
  QCOMPARE(values[voltage], o.MeterValue(868)->text());
  // A module-2 sensor keeps its column with an empty value.
  QVERIFY(header.contains(QStringLiteral("RTD Module 2 Number 1")));
  QCOMPARE(values[header.indexOf(QStringLiteral("RTD Module 2 Number 1"))], QString());

  QCOMPARE(QString::fromStdString(sim::RunControlCommand(*o.relay, "silent on")), "ok");
  QVERIFY(QTest::qWaitFor(
      [&] { return o.MeterValue(868)->foreground().color() == QColor(0xFF, 0, 0); }, 15000));
  QVERIFY(!log.freshMetering());
  log.Tick();
  QCOMPARE(lines().size(), 2);
  QCOMPARE(QString::fromStdString(sim::RunControlCommand(*o.relay, "silent off")), "ok");
}

QTEST_MAIN(MonitorWindowTest)
#include "test_monitor_window.moc"
