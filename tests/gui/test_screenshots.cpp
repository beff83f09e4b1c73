// Pictures of the real windows for a person to look at: the main window at
// its minimum and at a large size, the options dialog for each network type,
// the colour dialog, the About box and a message box. Under Xvfb
// (scripts/screenshots, platform xcb) they are taken from the screen; under
// the offscreen platform from the widgets themselves. PNGs land in
// <build>/screenshots/.

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "app/comm/network_options_dialog.h"
#include "app/comm/traffic_window.h"
#include "app/commands/clock_dialog.h"
#include "app/commands/device_commands_controller.h"
#include "app/commands/trip_details_window.h"
#include "app/controls/bw_spin_edit.h"
#include "app/dialogs/about_dialog.h"
#include "app/dialogs/color_options_dialog.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/progress_window.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "app/setpoints/setpoint_page_view.h"
#include "comm/register_access.h"
#include "comm/relay_registers.h"
#include "gui_helpers.h"
#include "setpoints/number_text.h"
#include "shell/comm_options_logic.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"
#include "sim_program.h"

using namespace kvx;

namespace {

class DemoPorts : public PortAccess {
 public:
  std::vector<std::string> ListPorts() override {
    return {"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/tmp/kvx-sim/COM2"};
  }
  bool CanOpen(const std::string& name) override { return name != "/dev/ttyUSB1"; }
};

}  // namespace

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void mainWindow();
  void setpointPageOnline();
  void silentRelayWithCancel();
  void dialogs();
  void trafficWindow();
  void eventsPageOnline();

 private:
  void Shoot(QWidget* w, const QString& name);
  QString dir_;
};

void ScreenshotTest::initTestCase() {
  test::IsolatedConfig();
  dir_ = QStringLiteral(KVX_BINARY_DIR "/screenshots");
  QVERIFY(QDir().mkpath(dir_));
}

void ScreenshotTest::Shoot(QWidget* w, const QString& name) {
  QVERIFY(QTest::qWaitForWindowExposed(w));
  QTest::qWait(300);  // let the window paint completely
  QPixmap shot;
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    const QRect frame = w->frameGeometry();
    shot = w->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  } else {
    shot = w->grab();
  }
  QVERIFY(!shot.isNull());
  QVERIFY(shot.width() >= w->width() - 1);
  QVERIFY(shot.save(dir_ + QLatin1Char('/') + name + QStringLiteral(".png")));
}

void ScreenshotTest::mainWindow() {
  MainWindow w;
  w.move(0, 0);
  w.show();
  Shoot(&w, QStringLiteral("main_750x550_offline"));
  w.ShowConnectionView(true, 1);
  Shoot(&w, QStringLiteral("main_750x550_online_family1"));
  w.resize(1400, 900);
  QTRY_COMPARE(w.width(), 1400);
  Shoot(&w, QStringLiteral("main_1400x900_online_family1"));
  w.ShowConnectionView(true, 3);
  Shoot(&w, QStringLiteral("main_1400x900_online_family3"));
  w.setUnsavedChanges(false);
}

// The setpoint page connected to a simulated relay: a few groups ticked and
// read, one edit pending (its row blue, its group marked).
void ScreenshotTest::setpointPageOnline() {
  const QString folder = QStringLiteral(KVX_BINARY_DIR "/bin");
  std::string error;
  auto config =
      sim::MakeRelayConfig("DRA", 197, (folder + QStringLiteral("/Defaults")).toStdString(), error);
  QVERIFY2(config, error.c_str());
  sim::RelaySimulation relay(std::move(*config));
  QVERIFY(relay.StartTcp("127.0.0.1", 0).ok);
  MainWindowOptions options;
  options.programFolder = folder;
  options.connectTcpPortAtStart = relay.TcpPort();
  MainWindow w(options);
  ScriptedDialogs answers;
  w.useDialogs(&answers);
  w.move(0, 0);
  w.resize(1000, 700);
  w.show();
  QTRY_VERIFY(w.online());
  SetpointPageView& page = w.setpointsView();
  for (const char* group : {"System Ratings", "Overload", "Overcurrent"}) {
    auto* tree =
        qobject_cast<QTreeWidget*>(w.findChild<QWidget*>(QStringLiteral("Setpoints_Tree")));
    const auto items =
        tree->findItems(QString::fromLatin1(group), Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!items.isEmpty());
    page.ClickNode(items.first());
  }
  page.RebuildGrid();
  page.SelectCell(page.model().RowOf(24), 3);
  page.spinEditor()->edit()->selectAll();
  QTest::keyClicks(page.spinEditor()->edit(), QStringLiteral("12"));
  QTest::keyClick(page.spinEditor()->edit(), Qt::Key_Return);
  QCOMPARE(w.settingStore().settings.at(24).changed, 1);
  page.SelectCell(page.model().RowOf(225), 3);
  Shoot(&w, QStringLiteral("setpoints_online_pending"));
  // The smallest and a large window: the columns fill the grid, the tree's
  // tick boxes, the link in the status bar.
  page.SelectCell(page.model().RowOf(24), 2);
  for (const QSize size : {QSize(750, 550), QSize(1400, 900)}) {
    w.resize(size);
    QTRY_COMPARE(w.width(), size.width());
    const QString tag = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    Shoot(&w, QStringLiteral("setpoints_online_") + tag);
    // The close question over the window (the edit is unsaved); Cancel.
    w.useDialogs(nullptr);
    auto asked = test::WhenModal([&](QWidget* box) {
      QTest::qWait(300);
      const QString name = dir_ + QStringLiteral("/close_question_") + tag + QStringLiteral(".png");
      if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QRect frame = w.frameGeometry();
        w.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).save(name);
      } else {
        box->grab().save(name);
      }
      test::Press(box, QStringLiteral("Cancel"));
    });
    QVERIFY(!w.close());
    QVERIFY(*asked);
    w.useDialogs(&answers);
  }
  // Dark colours: the text still reads.
  const Preferences light = w.preferences();
  w.preferences().backgroundColor = "clNavy";
  w.preferences().formColor = "clBlack";
  w.preferences().editboxColor = "clMaroon";
  w.preferences().fixedboxColor = "clTeal";
  w.ApplyColors();
  w.resize(750, 550);
  QTRY_COMPARE(w.width(), 750);
  Shoot(&w, QStringLiteral("setpoints_online_dark_750x550"));
  w.preferences() = light;
  w.ApplyColors();

  // Offline, the relay gone, and a connect that fails: the pending edit
  // keeps its blue row and its group's mark.
  w.OnDisconnect();
  relay.Stop();
  CommOptions again = w.commOptions();
  QVERIFY(!w.ConnectWith(again));
  page.RebuildGrid();
  Shoot(&w, QStringLiteral("setpoints_failed_connect_pending"));
  w.setUnsavedChanges(false);
}

// The relay falls silent (the simulator program stopped) during a save from
// it and during an apply: the progress window with its Cancel, the status
// bar's Cancel, and afterwards "NO ANSWER" in the status bar.
void ScreenshotTest::silentRelayWithCancel() {
  test::SimProgram sim;
  QVERIFY(sim.Ready());
  MainWindowOptions options;
  options.programFolder = QStringLiteral(KVX_BINARY_DIR "/bin");
  MainWindow w(options);
  ScriptedDialogs answers;
  ScriptedPasswordPrompt passwords({"1234"});
  w.useDialogs(&answers);
  w.usePasswords(&passwords);
  w.findChild<QTimer*>(QStringLiteral("setpoint_timer"))->stop();
  w.askCommOptions = [&](CommOptions& o) {
    o.cancelled = false;
    o.protocol = ProtocolKind::ModbusTcp;
    o.remoteHost = "127.0.0.1";
    o.remotePort = std::to_string(sim.Port());
  };
  w.move(0, 0);
  w.resize(1000, 700);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.OnConnect();
  QVERIFY(w.online());
  SetpointPageView& page = w.setpointsView();
  auto* tree = qobject_cast<QTreeWidget*>(w.findChild<QWidget*>(QStringLiteral("Setpoints_Tree")));
  for (const char* group : {"System Ratings", "Overload"}) {
    const auto items =
        tree->findItems(QString::fromLatin1(group), Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!items.isEmpty());
    page.ClickNode(items.first());
  }
  w.Busy([&] { page.RebuildGrid(); });

  sim.Pause();
  QTemporaryDir dir;
  w.askFileName = [&](const FileRequest&) { return dir.filePath(QStringLiteral("silent.cds")); };
  bool shotTaken = false;
  QTimer::singleShot(700, [&] {
    ProgressDialog* progress = w.progressWindows().window();
    if (!progress) return;
    // The whole screen under Xvfb: the window and its progress window.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
      w.screen()
          ->grabWindow(0)
          .copy(0, 0, 1100, 800)
          .save(dir_ + QStringLiteral("/silent_relay_save_progress_cancel.png"));
    } else {
      progress->grab().save(dir_ + QStringLiteral("/silent_relay_save_progress_cancel.png"));
    }
    shotTaken = true;
    progress->cancelButton()->click();
  });
  w.SaveToFile();
  QVERIFY(shotTaken);
  QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("silent.cds"))));

  // An apply: its progress is in the status bar, with the Cancel beside it.
  sim.Resume();
  w.Busy([&] { page.RebuildGrid(); });
  std::string notice;
  double corrected = 0;
  QVERIFY(page.model().EditNumber(24, 12, notice, corrected));
  page.OnApply();  // opens the password's grace period with the relay answering
  int edited = 0;
  for (const SetpointRow& row : std::vector<SetpointRow>(page.model().Rows())) {
    if (row.kind != RowKind::Setting || edited == 6) continue;
    const int x = row.reg;
    const SettingRecord& s = w.settingStore().settings.at(x);
    if (x == 24 || s.access != 0 || (s.typeCode != 1 && s.typeCode != 3)) continue;
    const double low = ParseNumber(s.minText).value_or(0);
    const double high = ParseNumber(s.maxText).value_or(0);
    if (high - low < 4) continue;
    const double now = ParseNumber(s.value).value_or(low);
    if (page.model().EditNumber(x, now == low + 2 ? low + 3 : low + 2, notice, corrected)) ++edited;
  }
  QCOMPARE(edited, 6);
  w.Busy([&] { page.RebuildGrid(); });
  sim.Pause();
  QTimer::singleShot(700, [&] {
    Shoot(&w, QStringLiteral("silent_relay_apply_cancel"));
    QTest::keyClick(&w, Qt::Key_Escape);
  });
  page.OnApply();
  QCOMPARE(qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("network_P")))->text(),
           QStringLiteral("NO ANSWER"));
  Shoot(&w, QStringLiteral("silent_relay_apply_stopped"));
  sim.Resume();
  w.setUnsavedChanges(false);
}

void ScreenshotTest::dialogs() {
  const UserColors colors = ColorsFromPreferences(Preferences{});
  DemoPorts ports;
  CommOptions options;
  {
    TNetwork_OptionsF dialog(nullptr, options, colors, ports);
    dialog.setModal(false);
    dialog.show();
    dialog.Prepare();
    Shoot(&dialog, QStringLiteral("options_modbus_rtu"));
    dialog.networkBox()->setCurrentIndex(1);
    dialog.comportBox()->setCurrentIndex(
        dialog.comportBox()->findText(QStringLiteral("/dev/ttyUSB1 (in use)")));
    Shoot(&dialog, QStringLiteral("options_df1"));
    dialog.networkBox()->setCurrentIndex(2);
    Shoot(&dialog, QStringLiteral("options_modbus_tcp"));
    // A port the list does not show, typed in.
    dialog.networkBox()->setCurrentIndex(0);
    dialog.comportBox()->setEditText(QStringLiteral("/dev/pts/7"));
    Shoot(&dialog, QStringLiteral("options_typed_port"));
  }
  {
    ColorOptionsDialog dialog(nullptr,
                              ColorChoice{"clMedGray", "clSilver", "clMoneyGreen", "clWhite"});
    dialog.show();
    Shoot(&dialog, QStringLiteral("color_options"));
  }
  {
    // Damaged colour texts show as each colour's own default.
    ColorOptionsDialog dialog(nullptr, ColorChoice{"clNoSuchColour", "$zz", "", "#12"});
    dialog.show();
    Shoot(&dialog, QStringLiteral("color_options_damaged"));
  }
  {
    AboutDialog about(nullptr, colors);
    about.show();
    Shoot(&about, QStringLiteral("about"));
  }
  {
    MessageBoxDialog box(nullptr,
                         QStringLiteral("Do you wish to save your\ncurrent changes to a file?"),
                         QStringLiteral("Setpoint Changes"), MessageKind::YesNo);
    box.setModal(false);
    box.show();
    Shoot(&box, QStringLiteral("message_yes_no"));
  }
  {
    MessageBoxDialog box(nullptr,
                         QStringLiteral("Do you wish to save your\ncurrent changes to a file?"),
                         QStringLiteral("Setpoint Changes"), MessageKind::SaveDontSaveCancel);
    box.setModal(false);
    box.show();
    Shoot(&box, QStringLiteral("close_question"));
  }
  {
    MessageBoxDialog box(nullptr,
                         QStringLiteral("Error reading from unit. Please retry\nThe password could "
                                        "not be checked:\nno reply within the time-out."),
                         QStringLiteral("Communications Error"), MessageKind::Ok);
    box.setModal(false);
    box.show();
    Shoot(&box, QStringLiteral("message_password_not_read"));
  }
}

// The traffic window after a connect over DF1 and a read over Modbus TCP.
void ScreenshotTest::trafficWindow() {
  const QString folder = QStringLiteral(KVX_BINARY_DIR "/bin");
  std::string error;
  auto config =
      sim::MakeRelayConfig("DRA", 197, (folder + QStringLiteral("/Defaults")).toStdString(), error);
  QVERIFY2(config, error.c_str());
  sim::RelaySimulation relay(std::move(*config));
  QVERIFY(relay.StartDf1Pty().ok);
  QVERIFY(relay.StartTcp("127.0.0.1", 0).ok);
  MainWindowOptions options;
  options.programFolder = folder;
  MainWindow w(options);
  ScriptedDialogs answers;
  w.useDialogs(&answers);
  CommOptions df1;
  df1.cancelled = false;
  df1.protocol = ProtocolKind::Df1;
  df1.portName = relay.Df1Path();
  QVERIFY(w.ConnectWith(df1));
  CommSettings tcp = w.session().Comm();
  tcp.protocol = ProtocolKind::ModbusTcp;
  w.session().Tcp().SetRemoteHost("127.0.0.1");
  w.session().Tcp().SetRemotePort(static_cast<std::uint16_t>(relay.TcpPort()));
  tcp.tcpClient = &w.session().Tcp();
  std::vector<std::uint16_t> words(3);
  QVERIFY(ReadRegisters(tcp, relay_reg::kRtdModules, 3, words));
  auto* traffic = w.findChild<TrafficWindow*>(QStringLiteral("TrafficF"));
  QVERIFY(traffic);
  traffic->move(0, 0);
  traffic->resize(900, 420);
  traffic->show();
  traffic->Refresh();
  Shoot(traffic, QStringLiteral("traffic_window"));
  w.DisconnectUnit();
}

QTEST_MAIN(ScreenshotTest)
// The Events page of a motor relay with a trip just recorded, its trip
// details window, and the System Time dialog.
void ScreenshotTest::eventsPageOnline() {
  const QString folder = QStringLiteral(KVX_BINARY_DIR "/bin");
  std::string error;
  auto config =
      sim::MakeRelayConfig("DRA", 230, (folder + QStringLiteral("/Defaults")).toStdString(), error);
  QVERIFY2(config, error.c_str());
  sim::RelaySimulation relay(std::move(*config));
  QVERIFY(relay.StartTcp("127.0.0.1", 0).ok);
  QVERIFY(relay.Relay().Trip(2));
  MainWindowOptions options;
  options.programFolder = folder;
  options.connectTcpPortAtStart = relay.TcpPort();
  MainWindow w(options);
  ScriptedDialogs answers;
  w.useDialogs(&answers);
  w.move(0, 0);
  w.resize(1000, 700);
  w.show();
  QTRY_VERIFY(w.online());
  qobject_cast<QTabWidget*>(w.findChild<QWidget*>(QStringLiteral("PageControl1")))
      ->setCurrentIndex(2);
  w.findChild<QWidget*>(QStringLiteral("packet_P"))->setFocus();
  Shoot(&w, QStringLiteral("events_online_family1"));
  qobject_cast<QPushButton*>(w.findChild<QWidget*>(QStringLiteral("Details_B")))->click();
  auto* commands = w.findChild<DeviceCommandsController*>(QStringLiteral("DeviceCommands"));
  QVERIFY(commands && commands->tripDetails());
  Shoot(commands->tripDetails(), QStringLiteral("trip_details"));
  ClockDialog clock(&w, w.userColors());
  clock.show();
  Shoot(&clock, QStringLiteral("system_time"));
  w.setUnsavedChanges(false);
}

#include "test_screenshots.moc"
