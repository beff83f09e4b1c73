// The main window against a simulated relay in this process: connect and
// disconnect per family, the setpoint page (ticking, editors, apply with the
// password gate, undo, refresh), the setpoint file commands and the close
// question. Every question, password and file dialog is answered by the test.

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "app/controls/bw_spin_edit.h"
#include "app/dialogs/password_dialogs.h"
#include "app/dialogs/progress_window.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "app/frame/preferences_store.h"
#include "app/setpoints/select_defaults_dialog.h"
#include "app/setpoints/setpoint_page_view.h"
#include "gui_helpers.h"
#include "setpoints/number_text.h"
#include "setpoints/option_list.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");

// A relay in this process and a window connected to it over loopback TCP.
struct Bench {
  std::unique_ptr<sim::RelaySimulation> relay;
  std::unique_ptr<MainWindow> window;
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;

  explicit Bench(const std::string& model = "DRA", int firmware = 197,
                 sim::ServerOptions serverOptions = {}) {
    std::string error;
    auto config = sim::MakeRelayConfig(
        model, firmware, (kProgramFolder + QStringLiteral("/Defaults")).toStdString(), error);
    if (config) {
      relay = std::make_unique<sim::RelaySimulation>(std::move(*config), serverOptions);
      relay->StartTcp("127.0.0.1", 0);
    }
    MainWindowOptions options;
    options.programFolder = kProgramFolder;
    window = std::make_unique<MainWindow>(options);
    window->useDialogs(&dialogs);
    window->usePasswords(&passwords);
    window->findChild<QTimer*>(QStringLiteral("setpoint_timer"))
        ->stop();  // the test rebuilds itself
    window->askCommOptions = [this](CommOptions& o) {
      o.cancelled = false;
      o.protocol = ProtocolKind::ModbusTcp;
      o.remoteHost = "127.0.0.1";
      o.remotePort = std::to_string(relay ? relay->TcpPort() : 1);
    };
  }
  SetpointPageView& page() { return window->setpointsView(); }
  SettingRecord& setting(int x) { return window->settingStore().settings.at(x); }
  QTableWidget* grid() {
    return qobject_cast<QTableWidget*>(
        window->findChild<QWidget*>(QStringLiteral("Setpoints_Grid")));
  }
  // Register x is listed, its row drawn blue (edited, not yet verified).
  bool Blue(int x) {
    const int row = page().model().RowOf(x);
    return row >= 0 && page().model().Rows()[static_cast<std::size_t>(row)].changed;
  }
  QString cell(int x, int column) {
    const int row = page().model().RowOf(x);
    return row < 0 ? QString() : grid()->item(row, column)->text();
  }
  // A mouse click on a grid cell, as the user gives it.
  void ClickCell(int x, int column) {
    const int row = page().model().RowOf(x);
    QVERIFY(row >= 0);
    const QRect r = grid()->visualItemRect(grid()->item(row, column));
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, r.center());
  }
  int Asked(const std::string& text) {
    return static_cast<int>(std::count_if(b_asked().begin(), b_asked().end(),
                                          [&](const AskedMessage& m) { return m.text == text; }));
  }
  const std::vector<AskedMessage>& b_asked() const { return dialogs.asked(); }
  QString writeError() {
    return window->findChild<QWidget*>(QStringLiteral("Setpoints_P"))
        ->findChild<QLabel*>(QStringLiteral("write_error_L"))
        ->text();
  }
  // Ticks the group named `name` and lists it.
  void Tick(const std::string& name) {
    QTreeWidget* tree =
        qobject_cast<QTreeWidget*>(window->findChild<QWidget*>(QStringLiteral("Setpoints_Tree")));
    const auto items =
        tree->findItems(QString::fromStdString(name), Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!items.isEmpty());
    page().ClickNode(items.first());
    page().RebuildGrid();
  }
  int NodeState(const std::string& name) {
    int state = -2;
    std::function<void(const SetpointTreeNode&)> find = [&](const SetpointTreeNode& n) {
      if (n.text == name) state = n.state;
      for (const auto& c : n.children) find(c);
    };
    find(page().model().Tree());
    return state;
  }
};

}  // namespace

class SetpointWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void connectAndDisconnectPerFamily_data();
  void connectAndDisconnectPerFamily();
  void failedConnectShowsRed();
  void tickedGroupIsReadFromTheRelay();
  void failedReadUnticksTheGroup();
  void selectAllAndNoneKeepPendingGroups();
  void spinEditLimitsAndNotice();
  void listAndTextEditors();
  void applyAsksThePasswordAndReadsBack();
  void refusedValueStaysBlue();
  void undoAndRefreshReadAgain();
  void offlineApplyAsksNoPassword();
  void saveOpenRoundTripAndCaption();
  void captionOutlivesAFailedConnect();
  void writeFileToUnitKeepsReadOnlySettings();
  void closeQuestionOnlineAndOffline();
  void loadDefaultsAndCommandLineFile();
  void passwordDialogs();
  void editorCommitsHoweverItIsLeft_data();
  void editorCommitsHoweverItIsLeft();
  void editorsTakeFocusAndSayWhatTheyRefuse();
  void gridFitsAndTheSplitMoves();
  void startsConnectedAndNamesTheLink();
  void emptyGridSaysWhereToStart();
  void textReadsOnDarkColours();
  void noTimerWorkInsideABusySequence();
  void saveAsksAboutUnappliedChangesOnce();
  void applyWithTheRelaySilentIsACommunicationsError();
  void failedConnectKeepsTheEditsMarked();
  void startUpFileThenDemoConnectOneAfterTheOther();
  void whatWorkedIsConfirmedWhatFailedIsNot();
  void keyboardShortcuts();
  void recentFilesMenu();
};

void SetpointWindowTest::connectAndDisconnectPerFamily_data() {
  QTest::addColumn<QString>("model");
  QTest::addColumn<int>("firmware");
  QTest::addColumn<QString>("menu");
  QTest::addColumn<QString>("strip");
  QTest::newRow("motor DRA") << "DRA" << 197 << "DRA_Commands"
                             << "dra_display_P";
  QTest::newRow("motor DRB-50") << "DRB-50" << 123 << "DRB_Commands"
                                << "drb_display_P";
  QTest::newRow("feeder FDX-50") << "FDX-50" << 110 << "FDX_Commands"
                                 << "fdx_display_P";
}

void SetpointWindowTest::connectAndDisconnectPerFamily() {
  QFETCH(QString, model);
  QFETCH(int, firmware);
  QFETCH(QString, menu);
  QFETCH(QString, strip);
  Bench b(model.toStdString(), firmware);
  QVERIFY(b.relay);
  MainWindow& w = *b.window;
  w.show();
  w.OnConnect();
  QVERIFY(w.online());
  auto* network = qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("network_P")));
  QCOMPARE(network->text(), QStringLiteral("ONLINE"));
  QCOMPARE(network->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));
  QCOMPARE(qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("version_P")))->text(),
           QStringLiteral("Firmware Version: %1").arg(firmware / 100.0, 0, 'f', 2));
  QCOMPARE(qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("unit_P")))->text(), model);
  QVERIFY(w.findChild<QMenu*>(menu)->menuAction()->isVisible());
  QVERIFY(w.findChild<QWidget*>(strip)->isVisible());
  QVERIFY(w.findChild<QWidget*>(QStringLiteral("Details_B"))->isVisible());
  auto* tabs = qobject_cast<QTabWidget*>(w.findChild<QWidget*>(QStringLiteral("PageControl1")));
  QVERIFY(tabs->isTabVisible(1) && tabs->isTabVisible(2));
  QVERIFY(!w.findChild<QAction*>(QStringLiteral("Connect1"))->isVisible());
  QVERIFY(w.findChild<QAction*>(QStringLiteral("WritetoUnit1"))->isVisible());
  QCOMPARE(w.findChild<QAction*>(QStringLiteral("Save1"))->text(),
           QStringLiteral("Save Setpoint File from Unit"));
  QVERIFY(w.findChild<QAction*>(QStringLiteral("Save1"))->isVisible());
  QCOMPARE(w.windowTitle(), QStringLiteral("KVX-COMM"));

  w.OnDisconnect();
  QVERIFY(!w.online());
  QCOMPARE(network->text(), QStringLiteral("OFFLINE"));
  QCOMPARE(network->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
  QVERIFY(!w.findChild<QMenu*>(menu)->menuAction()->isVisible());
  QVERIFY(!w.findChild<QWidget*>(strip)->isVisible());
  QVERIFY(!tabs->isTabVisible(1) && !tabs->isTabVisible(2));
  QVERIFY(w.findChild<QAction*>(QStringLiteral("Connect1"))->isVisible());
  QCOMPARE(w.findChild<QAction*>(QStringLiteral("Save1"))->text(),
           QStringLiteral("Save Setpoint File"));
  QVERIFY(
      qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("serial_P")))->text().isEmpty());
  // The loaded definitions stay for offline work.
  QCOMPARE(QString::fromStdString(w.settingStore().unitName), model);
  QVERIFY(b.dialogs.asked().empty());
}

void SetpointWindowTest::failedConnectShowsRed() {
  Bench b;
  b.relay.reset();  // nobody listens on the port any more
  b.window->askCommOptions = [](CommOptions& o) {
    o.cancelled = false;
    o.protocol = ProtocolKind::ModbusTcp;
    o.remoteHost = "127.0.0.1";
    o.remotePort = "1";
  };
  b.window->OnConnect();
  QVERIFY(!b.window->online());
  auto* network = qobject_cast<QLabel*>(b.window->findChild<QWidget*>(QStringLiteral("network_P")));
  QCOMPARE(network->text(), QStringLiteral("Failed to Connect"));
  QCOMPARE(network->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
  QVERIFY(b.window->findChild<QAction*>(QStringLiteral("Connect1"))->isVisible());
  // The text fits its panel at the default size, and the reason is spelt
  // out beside it.
  b.window->resize(750, 550);
  b.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(b.window.get()));
  QVERIFY(network->fontMetrics().horizontalAdvance(network->text()) <=
          network->contentsRect().width());
  const QString why = b.window->confirmation();
  QVERIFY2(why.contains(QStringLiteral("127.0.0.1:1")) && why.contains(QStringLiteral("refused")),
           qPrintable(why));
  QCOMPARE(b.window->findChild<QLabel*>(QStringLiteral("message_P"))->toolTip(), why);
  // Everything in the status bar stays inside the window.
  for (QWidget* part :
       b.window->findChild<QWidget*>(QStringLiteral("Status_P"))->findChildren<QWidget*>()) {
    if (part->isVisibleTo(b.window.get())) {
      QVERIFY2(part->geometry().right() < b.window->width(), qPrintable(part->objectName()));
    }
  }
}

void SetpointWindowTest::tickedGroupIsReadFromTheRelay() {
  Bench b;
  b.window->OnConnect();
  QVERIFY(b.window->online());
  // The relay holds another value than the definition file's default.
  b.setting(24).value = "999";
  QCOMPARE(b.relay->Relay().WriteRegisters(24, std::vector<std::uint16_t>{17}),
           sim::ModbusException::None);
  b.Tick("Overload");
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kListed));
  QCOMPARE(b.setting(24).value, std::string("17"));
  QCOMPARE(b.cell(24, 2), QStringLiteral("   Time Between Starts"));
  QCOMPARE(b.cell(24, 3), QStringLiteral("17"));
  QCOMPARE(b.cell(24, 4), QStringLiteral("min"));
  // Heading row above the first setting, in bold (no register).
  const int first = b.page().model().RowOf(11);
  QCOMPARE(b.grid()->item(first - 1, 2)->text(), QStringLiteral("Overload"));
  QVERIFY(b.page().model().Rows()[static_cast<std::size_t>(first - 1)].kind == RowKind::Heading);
  // Unticking a listed group removes it.
  b.Tick("Overload");
  QCOMPARE(b.page().model().RowOf(24), -1);
}

void SetpointWindowTest::failedReadUnticksTheGroup() {
  sim::ServerOptions refusing;
  refusing.faults.exceptionAt = 24;  // the last setting of "Overload"
  Bench b("DRA", 197, refusing);
  b.window->OnConnect();
  QVERIFY(b.window->online());
  b.Tick("Overload");
  QCOMPARE(b.writeError(), QStringLiteral("Error Reading from Unit"));
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kUnticked));
  QCOMPARE(b.NodeState("Protection"), static_cast<int>(kFolderWarning));
  // Listed up to the failed setting.
  QVERIFY(b.page().model().RowOf(23) >= 0);
  QCOMPARE(b.page().model().RowOf(24), -1);
}

void SetpointWindowTest::selectAllAndNoneKeepPendingGroups() {
  Bench b;
  b.window->OnConnect();
  b.Tick("Overload");
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 6, notice, corrected));
  b.Tick("Overload");  // a group holding changes cannot be unticked
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));
  b.page().OnSelectAll();
  QCOMPARE(b.NodeState("System Ratings"), static_cast<int>(kListed));
  QVERIFY(b.page().model().RowOf(210) >= 0);
  b.page().OnSelectNone();
  QCOMPARE(b.NodeState("System Ratings"), static_cast<int>(kUnticked));
  QCOMPARE(b.page().model().RowOf(210), -1);
  QVERIFY(b.page().model().RowOf(24) >= 0);  // still listed, still pending
  QCOMPARE(b.setting(24).value, std::string("6.00"));
}

void SetpointWindowTest::spinEditLimitsAndNotice() {
  Bench b;
  b.window->show();
  b.window->OnConnect();
  b.Tick("Overload");
  b.setting(24).minText = "1";
  b.setting(24).maxText = "10";
  b.page().SelectCell(b.page().model().RowOf(24), 3);
  SpinEdit* spin = b.page().spinEditor();
  QVERIFY(spin->isVisible());
  QCOMPARE(spin->Min(), 0.0);
  QCOMPARE(spin->Max(), 11.0);
  spin->edit()->selectAll();
  QTest::keyClicks(spin->edit(), QStringLiteral("11"));
  QTest::keyClick(spin->edit(), Qt::Key_Return);
  QCOMPARE(b.setting(24).value, std::string("10.00"));
  QCOMPARE(b.setting(24).changed, 1);
  auto* notice =
      qobject_cast<QLabel*>(b.window->findChild<QWidget*>(QStringLiteral("out_of_range_P")));
  QVERIFY(notice->isVisible());
  QCOMPARE(notice->text(), QStringLiteral("Entered value was above maximum."));
  QVERIFY(b.Blue(24));
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));
  QVERIFY(b.window->session().PendingChanges());
  spin->edit()->selectAll();
  QTest::keyClicks(spin->edit(), QStringLiteral("0"));
  QTest::keyClick(spin->edit(), Qt::Key_Return);
  QCOMPARE(b.setting(24).value, std::string("1.00"));
  QCOMPARE(notice->text(), QStringLiteral("Entered value was below minimum."));
  // The notice stands, then slides away.
  QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 15000);
}

void SetpointWindowTest::listAndTextEditors() {
  Bench b;
  b.window->show();
  b.window->OnConnect();
  b.Tick("Overload");
  // Register 12, a list type with maxText 3: only entries 0..3 offered.
  b.page().SelectCell(b.page().model().RowOf(12), 3);
  QComboBox* list = b.page().listEditor();
  QVERIFY(list->isVisible());
  const int options = static_cast<int>(OptionLines(b.setting(12).typeCode).size());
  QCOMPARE(list->count(), std::min(options, 4));
  QCOMPARE(list->currentIndex(), std::stoi(b.setting(12).value));

  // Register 600, type 22: only keypad characters get in; leaving marks it.
  b.Tick("System Name");
  b.page().SelectCell(b.page().model().RowOf(600), 3);
  QLineEdit* text = b.page().textEditor();
  QVERIFY(text->isVisible());
  text->setFocus();
  text->clear();
  QTest::keyClicks(text, QStringLiteral("Pump#7_!a"));
  QCOMPARE(text->text(), QStringLiteral("Pump7a"));
  QTest::keyClick(text, Qt::Key_Return);
  QCOMPARE(b.setting(600).value, std::string("Pump7a"));
  QCOMPARE(b.setting(600).changed, 1);

  // The comment editor takes printable text up to 40 characters.
  b.page().SelectCell(b.page().model().RowOf(610), 5);
  QLineEdit* comment = b.page().commentEditor();
  QVERIFY(comment->isVisible());
  QTest::keyClicks(comment, QStringLiteral("North yard #2"));
  QTest::keyClick(comment, Qt::Key_Return);
  QCOMPARE(b.setting(610).comment, std::string("North yard #2"));
  QCOMPARE(b.cell(610, 5), QStringLiteral("North yard #2"));

  // A read-only setting opens no editor.
  b.page().SelectCell(b.page().model().RowOf(620), 3);
  QVERIFY(!b.page().spinEditor()->isVisible() && !list->isVisible() && !text->isVisible());
}

void SetpointWindowTest::applyAsksThePasswordAndReadsBack() {
  Bench b;
  b.window->OnConnect();
  b.Tick("Overload");
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 7, notice, corrected));
  b.passwords.AddPassword("9999");
  b.page().OnApply();
  QCOMPARE(b.passwords.PasswordAsks(), 1);
  QCOMPARE(b.dialogs.asked().back().caption, std::string("Password Error"));
  QCOMPARE(b.dialogs.asked().back().text, std::string("Wrong Password."));
  QCOMPARE(b.setting(24).changed, 1);  // nothing written
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));

  b.passwords.AddPassword("1234");
  b.page().OnApply();
  QCOMPARE(b.passwords.PasswordAsks(), 2);
  QCOMPARE(b.setting(24).changed, 0);
  QCOMPARE(b.setting(24).value, std::string("7"));  // as read back
  QVERIFY(!b.Blue(24));
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kListed));
  QVERIFY(b.writeError().isEmpty());
  QVERIFY(b.window->unsavedChanges());
  // The apply's progress ran in the status bar, not in a window of its own.
  const auto& passes = b.window->progressWindows().Captions();
  QVERIFY(std::find(passes.begin(), passes.end(), "Applying Changes") != passes.end());
  QVERIFY(b.window->findChildren<ProgressDialog*>().isEmpty());
  // Within the grace period no password is asked again.
  QVERIFY(b.page().model().EditNumber(24, 8, notice, corrected));
  b.page().OnApply();
  QCOMPARE(b.passwords.PasswordAsks(), 2);
  QCOMPARE(b.setting(24).value, std::string("8"));
}

void SetpointWindowTest::refusedValueStaysBlue() {
  Bench b;
  b.window->OnConnect();
  b.Tick("Overload");
  // The relay allows 0..60; a wider limit here lets 99 through to it.
  b.setting(24).maxText = "100";
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 99, notice, corrected));
  b.passwords.AddPassword("1234");
  b.page().OnApply();
  QCOMPARE(b.writeError(), QStringLiteral("Error writing Setpoint"));
  QCOMPARE(b.setting(24).changed, 1);
  QVERIFY(b.Blue(24));  // drawn blue
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));
  QVERIFY(b.window->session().PendingChanges());

  // A value that reads back different: 5.37 is written as 5.
  b.setting(24).changed = 0;
  b.setting(24).value = b.setting(24).readValue;
  QVERIFY(b.page().model().EditNumber(24, 5.37, notice, corrected));
  b.page().OnApply();
  QCOMPARE(b.writeError(), QStringLiteral("Error writing Setpoint"));
  QCOMPARE(b.setting(24).value, std::string("5"));
  QCOMPARE(b.setting(24).changed, 1);
  b.page().OnApply();  // the next apply clears it
  QCOMPARE(b.setting(24).changed, 0);
  QVERIFY(b.writeError().isEmpty());
}

void SetpointWindowTest::undoAndRefreshReadAgain() {
  Bench b;
  b.window->OnConnect();
  b.Tick("Overload");
  const std::string before = b.setting(24).value;
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 9, notice, corrected));
  // Meanwhile the relay's value changes at its keypad.
  QCOMPARE(b.relay->Relay().WriteRegisters(24, std::vector<std::uint16_t>{33}),
           sim::ModbusException::None);
  b.page().OnUndo();
  QCOMPARE(b.setting(24).changed, 0);
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kToRead));
  QVERIFY(!b.window->session().PendingChanges());
  b.page().RebuildGrid();
  QCOMPARE(b.setting(24).value, std::string("33"));  // read again from the relay
  QCOMPARE(b.cell(24, 3), QStringLiteral("33"));

  QVERIFY(b.page().model().EditNumber(24, 9, notice, corrected));
  QCOMPARE(b.relay->Relay().WriteRegisters(24, std::vector<std::uint16_t>{44}),
           sim::ModbusException::None);
  b.page().OnRefresh();
  b.page().RebuildGrid();
  QCOMPARE(b.setting(24).value, std::string("44"));
  QCOMPARE(b.setting(24).changed, 0);
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kListed));
  (void)before;
}

void SetpointWindowTest::offlineApplyAsksNoPassword() {
  Bench b;
  b.window->OnConnect();
  b.window->OnDisconnect();
  b.Tick("Overload");
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 12, notice, corrected));
  b.page().OnApply();
  QCOMPARE(b.passwords.PasswordAsks(), 0);
  QCOMPARE(b.setting(24).changed, 0);
  QCOMPARE(b.setting(24).readValue, std::string("12.00"));
  QVERIFY(b.window->unsavedChanges());
}

void SetpointWindowTest::saveOpenRoundTripAndCaption() {
  QTemporaryDir dir;
  Bench b;
  b.window->OnConnect();
  b.window->OnDisconnect();
  b.Tick("Overload");
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 13, notice, corrected));
  b.page().OnApply();
  QVERIFY(b.window->unsavedChanges());
  const QString path = dir.filePath(QStringLiteral("site.cds"));
  FileRequest asked;
  b.window->askFileName = [&](const FileRequest& r) {
    asked = r;
    return path;
  };
  b.window->findChild<QAction*>(QStringLiteral("Save1"))->trigger();
  QVERIFY(asked.save);
  QCOMPARE(asked.title, QStringLiteral("Save Setpoint File"));
  // No file in use: the unit's name, in the home folder rather than the
  // program's.
  QCOMPARE(asked.proposedName, QStringLiteral("DRA"));
  QCOMPARE(asked.folder, QDir::homePath());
  QVERIFY(QFileInfo::exists(path));
  QVERIFY(!b.window->unsavedChanges());
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + path);
  QCOMPARE(b.window->lastFolder(), dir.path());

  // Another file replaces the values; opening the saved one brings 13 back.
  b.setting(24).value = "2";
  b.window->findChild<QAction*>(QStringLiteral("Open1"))->trigger();
  QCOMPARE(asked.title, QStringLiteral("Open Setpoint File"));
  QCOMPARE(asked.folder, dir.path());
  QCOMPARE(b.setting(24).value, std::string("13.00"));
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + path);
  QCOMPARE(QString::fromStdString(b.page().model().Tree().text), QStringLiteral("DRA"));

  // Save proposes the open file itself, in its own folder.
  const QString unwritable = dir.filePath(QStringLiteral("missing/x.cds"));
  b.window->askFileName = [&](const FileRequest& r) {
    asked = r;
    return unwritable;
  };
  b.window->setUnsavedChanges(true);
  b.window->findChild<QAction*>(QStringLiteral("Save1"))->trigger();
  QCOMPARE(asked.proposedName, QStringLiteral("site.cds"));
  QCOMPARE(asked.folder, dir.path());
  // That save failed (no such folder): the caption still names the file the
  // settings came from, never the one not written; the changes stay unsaved.
  QVERIFY(QString::fromStdString(b.dialogs.asked().back().text)
              .startsWith(QStringLiteral("Error writing file. Please retry\n")));
  QVERIFY(!QFileInfo::exists(unwritable));
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + path);
  QVERIFY(b.window->unsavedChanges());
  QVERIFY(b.window->confirmation().isEmpty());
  b.window->setUnsavedChanges(false);

  // A file that does not load: the message, and the caption names it all the same.
  const QString broken = dir.filePath(QStringLiteral("broken.cds"));
  QFile f(broken);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write("not a setting file");
  f.close();
  b.window->askFileName = [&](const FileRequest&) { return broken; };
  b.window->findChild<QAction*>(QStringLiteral("Open1"))->trigger();
  QVERIFY(QString::fromStdString(b.dialogs.asked().back().text)
              .startsWith(QStringLiteral("Error Loading File.\n")));
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + broken);
}

void SetpointWindowTest::captionOutlivesAFailedConnect() {
  // A connect that fails renders the whole frame again: the caption it shows
  // is the one of the file opened last, never that of an earlier save.
  QTemporaryDir dir;
  Bench b;
  b.relay.reset();
  b.window->askCommOptions = [](CommOptions& o) {
    o.cancelled = false;
    o.protocol = ProtocolKind::ModbusTcp;
    o.remoteHost = "127.0.0.1";
    o.remotePort = "1";
  };
  b.window->askDefaultsFile = [] {
    return kProgramFolder + QStringLiteral("/Defaults/dra_defaults_190.xml");
  };
  b.window->findChild<QAction*>(QStringLiteral("Load1"))->trigger();
  const QString saved = dir.filePath(QStringLiteral("saved.cds"));
  const QString other = dir.filePath(QStringLiteral("other.cds"));
  b.window->askFileName = [&](const FileRequest&) { return saved; };
  b.window->findChild<QAction*>(QStringLiteral("Save1"))->trigger();
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + saved);
  QVERIFY(QFile::copy(saved, other));

  b.window->askFileName = [&](const FileRequest&) { return other; };
  b.window->findChild<QAction*>(QStringLiteral("Open1"))->trigger();
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + other);
  b.window->OnConnect();
  QVERIFY(!b.window->online());
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + other);

  b.window->findChild<QAction*>(QStringLiteral("Load1"))->trigger();
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM"));
  b.window->OnConnect();
  QVERIFY(!b.window->online());
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM"));
}

void SetpointWindowTest::writeFileToUnitKeepsReadOnlySettings() {
  QTemporaryDir dir;
  Bench b;
  b.window->OnConnect();
  b.window->OnDisconnect();
  // An offline file: time between starts 21, and a different hardware
  // revision (read-only) that must not reach the relay.
  b.setting(24).value = "21";
  b.setting(620).value = "77";
  const QString path = dir.filePath(QStringLiteral("site.cds"));
  b.window->askFileName = [&](const FileRequest&) { return path; };
  b.window->SaveToFile();
  QVERIFY(QFileInfo::exists(path));
  b.window->OnConnect();
  QVERIFY(b.window->online());
  std::uint16_t before = 0;
  QCOMPARE(b.relay->Relay().ReadRegisters(620, 1, &before), sim::ModbusException::None);
  b.passwords.AddPassword("1234");
  b.window->findChild<QAction*>(QStringLiteral("WritetoUnit1"))->trigger();
  QVERIFY(b.window->online());
  std::uint16_t word = 0;
  QCOMPARE(b.relay->Relay().ReadRegisters(24, 1, &word), sim::ModbusException::None);
  QCOMPARE(word, std::uint16_t{21});
  QCOMPARE(b.relay->Relay().ReadRegisters(620, 1, &word), sim::ModbusException::None);
  QCOMPARE(word, before);
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM"));
}

void SetpointWindowTest::closeQuestionOnlineAndOffline() {
  QTemporaryDir dir;
  auto askedClose = [](const Bench& b) {
    return std::count_if(b.b_asked().begin(), b.b_asked().end(), [](const AskedMessage& m) {
      return m.caption == "Setpoint Changes" && m.kind == MessageKind::SaveDontSaveCancel;
    });
  };
  {
    // Online with a comment added: comments live only in the file, so the
    // close asks; Cancel keeps the window, Don't Save closes.
    Bench b;
    b.window->show();
    b.window->OnConnect();
    QVERIFY(b.window->online());
    QVERIFY(b.window->close());  // nothing changed: nothing asked
    QCOMPARE(askedClose(b), 0);
    b.window->show();
    b.Tick("Overload");
    b.ClickCell(24, 5);
    QTRY_VERIFY(b.page().commentEditor()->isVisible());
    QTest::keyClicks(b.page().commentEditor(), QStringLiteral("north"));
    QTest::keyClick(b.page().commentEditor(), Qt::Key_Return);
    QCOMPARE(b.setting(24).comment, std::string("north"));
    b.dialogs = ScriptedDialogs({MessageResult::Cancel});
    QVERIFY(!b.window->close());
    QCOMPARE(askedClose(b), 1);
    QVERIFY(b.window->isVisible());
    QCOMPARE(b.setting(24).comment, std::string("north"));
    // Applied to the relay, the comment is still only in the window.
    b.passwords.AddPassword("1234");
    b.page().OnApply();
    QVERIFY(!b.window->session().PendingChanges());
    b.dialogs = ScriptedDialogs({MessageResult::No});
    QVERIFY(b.window->close());
    QCOMPARE(askedClose(b), 1);
  }
  // Offline, a file loaded and a value edited but not applied.
  Bench b;
  b.relay.reset();
  b.window->show();
  b.window->askDefaultsFile = [] {
    return kProgramFolder + QStringLiteral("/Defaults/dra_defaults_190.xml");
  };
  b.window->findChild<QAction*>(QStringLiteral("Load1"))->trigger();
  b.Tick("Overload");
  b.ClickCell(24, 3);
  QLineEdit* number = b.page().spinEditor()->edit();
  QTRY_VERIFY(number->isVisible());
  number->selectAll();
  QTest::keyClicks(number, QStringLiteral("7"));
  QTest::keyClick(number, Qt::Key_Return);
  QVERIFY(b.window->session().PendingChanges());
  QVERIFY(!b.window->unsavedChanges());
  // Cancel: the window stays with the edit.
  b.dialogs = ScriptedDialogs({MessageResult::Cancel});
  QVERIFY(!b.window->close());
  QCOMPARE(askedClose(b), 1);
  QCOMPARE(b.setting(24).value, std::string("7.00"));
  // Save, then the save dialog is cancelled: the window stays.
  b.dialogs = ScriptedDialogs({MessageResult::Yes, MessageResult::Ok});
  b.window->askFileName = [](const FileRequest&) { return QString(); };
  QVERIFY(!b.window->close());
  // Save with a file: the edit is applied, saved, and the window closes.
  b.dialogs = ScriptedDialogs({MessageResult::Yes, MessageResult::Ok});
  const QString path = dir.filePath(QStringLiteral("closing.cds"));
  b.window->askFileName = [&](const FileRequest&) { return path; };
  QVERIFY(b.window->close());
  QVERIFY(QFileInfo::exists(path));
  QCOMPARE(b.b_asked().front().kind, MessageKind::SaveDontSaveCancel);
}

void SetpointWindowTest::loadDefaultsAndCommandLineFile() {
  // The dialog lists the files of the chosen model, newest first.
  SelectDefaultsDialog select(nullptr, UserColors{},
                              (kProgramFolder + QStringLiteral("/Defaults")).toStdString());
  select.modelList()->setCurrentRow(1);  // DRA
  QVERIFY(select.versionList()->count() >= 2);
  QCOMPARE(select.versionList()->item(0)->text(), QStringLiteral("2.30"));

  Bench b;
  b.window->askDefaultsFile = [] {
    return kProgramFolder + QStringLiteral("/Defaults/dra_defaults_185.xml");
  };
  b.window->findChild<QAction*>(QStringLiteral("Load1"))->trigger();
  QCOMPARE(b.window->settingStore().definitionFirmware, 185);
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM"));
  QVERIFY(b.window->findChild<QAction*>(QStringLiteral("Save1"))->isVisible());
  QCOMPARE(QString::fromStdString(b.page().model().Tree().text), QStringLiteral("DRA"));

  // A file named at start-up opens without a question, its path in the caption.
  MainWindowOptions options;
  options.programFolder = kProgramFolder;
  options.openFileAtStart = kProgramFolder + QStringLiteral("/Defaults/drb_defaults_120.xml");
  MainWindow w(options);
  QTRY_COMPARE(QString::fromStdString(w.settingStore().unitName), QStringLiteral("DRB-50"));
  QCOMPARE(w.windowTitle(), QStringLiteral("KVX-COMM: ") + options.openFileAtStart);
  QCOMPARE(w.lastFolder(), kProgramFolder + QStringLiteral("/Defaults"));
}

void SetpointWindowTest::passwordDialogs() {
  const UserColors colors{};
  ChangePasswordDialog change(nullptr, colors);
  change.show();
  QVERIFY(change.limitBox()->isChecked());
  change.newEdit()->setFocus();
  QTest::keyClicks(change.newEdit(), QStringLiteral("A#"));
  QCOMPARE(change.newEdit()->text(), QStringLiteral("A"));
  QTest::mouseClick(change.findChildren<QPushButton*>().first(), Qt::LeftButton);  // OK
  QVERIFY(change.lengthLabel()->isVisibleTo(&change));
  QVERIFY(change.isVisible());
  change.limitBox()->setChecked(false);
  QTest::keyClicks(change.newEdit(), QStringLiteral("#"));
  QCOMPARE(change.newEdit()->text(), QStringLiteral("A#"));
  test::Press(&change, QStringLiteral("Cancel"));
  QCOMPARE(change.Answer().newPassword, std::string("xxx"));

  // The new password typed twice, both masked; a confirmation that differs
  // is refused and nothing is answered.
  ChangePasswordDialog twice(nullptr, colors);
  twice.show();
  QCOMPARE(twice.newEdit()->echoMode(), QLineEdit::Password);
  QCOMPARE(twice.confirmEdit()->echoMode(), QLineEdit::Password);
  QTest::keyClicks(twice.currentEdit(), QStringLiteral("1234"));
  QTest::keyClicks(twice.newEdit(), QStringLiteral("AB12"));
  QTest::keyClicks(twice.confirmEdit(), QStringLiteral("AB13"));
  QTest::keyClick(twice.confirmEdit(), Qt::Key_Return);
  QVERIFY(twice.isVisible());
  QVERIFY(twice.mismatchLabel()->isVisibleTo(&twice));
  QCOMPARE(twice.mismatchLabel()->text(), QString::fromLatin1(kPasswordsDifferText));
  QVERIFY(twice.confirmEdit()->text().isEmpty());
  // The confirmation alone missing is a mismatch too.
  QVERIFY(test::Press(&twice, QStringLiteral("OK")));
  QVERIFY(twice.isVisible());
  QTest::keyClicks(twice.confirmEdit(), QStringLiteral("AB12"));
  QVERIFY(test::Press(&twice, QStringLiteral("OK")));
  QVERIFY(!twice.isVisible());
  QCOMPARE(twice.Answer().currentPassword, std::string("1234"));
  QCOMPARE(twice.Answer().newPassword, std::string("AB12"));
  ChangePasswordDialog differs(nullptr, colors);
  differs.show();
  QTest::keyClicks(differs.newEdit(), QStringLiteral("AB12"));
  QTest::keyClicks(differs.confirmEdit(), QStringLiteral("AB21"));
  QVERIFY(test::Press(&differs, QStringLiteral("OK")));
  test::Press(&differs, QStringLiteral("Cancel"));
  QCOMPARE(differs.Answer().newPassword, std::string(kPasswordChangeCancelled));

  PasswordEntryDialog entry(nullptr, colors);
  entry.show();
  QTest::keyClicks(entry.edit(), QStringLiteral("123456"));
  QCOMPARE(entry.edit()->text(), QStringLiteral("1234"));
  QCOMPARE(entry.edit()->echoMode(), QLineEdit::Password);
  QTest::keyClick(entry.edit(), Qt::Key_Return);
  QCOMPARE(entry.Answer(), std::string("1234"));

  PasswordTimeoutDialog timeout(nullptr, colors, 300000);
  QCOMPARE(timeout.spin()->Value(), 300.0);
  timeout.spin()->setValue(2);
  test::Press(&timeout, QStringLiteral("OK"));
  QCOMPARE(timeout.TimeoutMs(), 2000);
  // A typed fraction is kept to the millisecond; the dialog reopens at the
  // whole seconds.
  PasswordTimeoutDialog fraction(nullptr, colors, 300000);
  fraction.show();
  fraction.spin()->edit()->setText(QStringLiteral("2.5 s"));
  QVERIFY(test::Press(&fraction, QStringLiteral("OK")));
  QCOMPARE(fraction.TimeoutMs(), 2500);
  PasswordTimeoutDialog reopened(nullptr, colors, 2500);
  QCOMPARE(reopened.spin()->Value(), 2.0);
}

// How an editor is left.
enum class Leave { ClickOtherCell, Tab, Enter, Escape, Scroll, PageChange, Close, TreeClick };

void SetpointWindowTest::editorCommitsHoweverItIsLeft_data() {
  QTest::addColumn<int>("reg");
  QTest::addColumn<int>("column");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("leave");
  QTest::addColumn<QString>("expected");  // the value (column 3) or comment; empty: unchanged
  const int click = static_cast<int>(Leave::ClickOtherCell);
  const int tab = static_cast<int>(Leave::Tab);
  const int enter = static_cast<int>(Leave::Enter);
  const int escape = static_cast<int>(Leave::Escape);
  QTest::newRow("number, click on another cell") << 24 << 3 << "7" << click << "7.00";
  QTest::newRow("number, Tab") << 24 << 3 << "7" << tab << "7.00";
  QTest::newRow("number, Enter") << 24 << 3 << "7" << enter << "7.00";
  QTest::newRow("number, Escape cancels") << 24 << 3 << "7" << escape << "";
  QTest::newRow("text, click on another cell") << 600 << 3 << "Pump7" << click << "Pump7";
  QTest::newRow("text, Tab") << 600 << 3 << "Pump7" << tab << "Pump7";
  QTest::newRow("comment, click on another cell") << 24 << 5 << "north" << click << "north";
  QTest::newRow("comment, Tab") << 24 << 5 << "north" << tab << "north";
  const int scroll = static_cast<int>(Leave::Scroll);
  const int page = static_cast<int>(Leave::PageChange);
  const int close = static_cast<int>(Leave::Close);
  const int tree = static_cast<int>(Leave::TreeClick);
  QTest::newRow("number, scroll") << 24 << 3 << "7" << scroll << "7.00";
  QTest::newRow("number, page change") << 24 << 3 << "7" << page << "7.00";
  QTest::newRow("number, close") << 24 << 3 << "7" << close << "7.00";
  QTest::newRow("number, comma decimal") << 24 << 3 << "7,5" << enter << "7.50";
  QTest::newRow("text, Enter") << 600 << 3 << "Pump7" << enter << "Pump7";
  QTest::newRow("text, scroll") << 600 << 3 << "Pump7" << scroll << "Pump7";
  QTest::newRow("text, page change") << 600 << 3 << "Pump7" << page << "Pump7";
  QTest::newRow("text, close") << 600 << 3 << "Pump7" << close << "Pump7";
  QTest::newRow("comment, click in the tree") << 24 << 5 << "north" << tree << "north";
  QTest::newRow("comment, close") << 24 << 5 << "north" << close << "north";
}

void SetpointWindowTest::editorCommitsHoweverItIsLeft() {
  QFETCH(int, reg);
  QFETCH(int, column);
  QFETCH(QString, typed);
  QFETCH(int, leave);
  QFETCH(QString, expected);
  Bench b;
  b.window->show();
  b.window->OnConnect();
  b.Tick("Overload");
  b.Tick("System Name");
  if (leave == static_cast<int>(Leave::Scroll)) {
    // Enough rows for the grid to scroll.
    b.Tick("Overcurrent");
    b.Tick("System Ratings");
  }
  // The connect's progress windows took the activation while they stood.
  b.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
  const SettingRecord before = b.setting(reg);

  b.ClickCell(reg, column);
  QLineEdit* edit = column == 5                     ? b.page().commentEditor()
                    : b.setting(reg).typeCode == 22 ? b.page().textEditor()
                                                    : b.page().spinEditor()->edit();
  QTRY_VERIFY(edit->isVisible());
  edit->setFocus();
  QTRY_VERIFY(edit->hasFocus());
  edit->selectAll();
  QTest::keyClicks(edit, typed);
  switch (static_cast<Leave>(leave)) {
    case Leave::ClickOtherCell:
      b.ClickCell(23, 2);  // the name of another setting: no editor opens there
      break;
    case Leave::Tab:
      QTest::keyClick(edit, Qt::Key_Tab);
      break;
    case Leave::Enter:
      QTest::keyClick(edit, Qt::Key_Return);
      break;
    case Leave::Escape:
      QTest::keyClick(edit, Qt::Key_Escape);
      b.ClickCell(23, 2);
      break;
    case Leave::Scroll: {
      QScrollBar* bar = b.grid()->verticalScrollBar();
      QVERIFY(bar->maximum() > 0);
      bar->setValue(bar->value() == 0 ? 1 : bar->value() - 1);
      break;
    }
    case Leave::PageChange: {
      auto* tabs =
          qobject_cast<QTabWidget*>(b.window->findChild<QWidget*>(QStringLiteral("PageControl1")));
      tabs->setCurrentIndex(1);
      QCOMPARE(tabs->currentIndex(), 1);
      break;
    }
    case Leave::Close:
      // The close question sees the edit; Cancel keeps the window.
      b.dialogs = ScriptedDialogs({MessageResult::Cancel});
      QVERIFY(!b.window->close());
      QCOMPARE(b.dialogs.asked().size(), std::size_t{1});
      QCOMPARE(b.dialogs.asked()[0].kind, MessageKind::SaveDontSaveCancel);
      break;
    case Leave::TreeClick: {
      auto* tree = qobject_cast<QTreeWidget*>(
          b.window->findChild<QWidget*>(QStringLiteral("Setpoints_Tree")));
      const QRect r = tree->visualItemRect(tree->topLevelItem(0));
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
      break;
    }
  }
  if (leave >= static_cast<int>(Leave::Scroll)) QVERIFY(!edit->isVisible());
  const SettingRecord& after = b.setting(reg);
  if (expected.isEmpty()) {
    QCOMPARE(after.value, before.value);
    QCOMPARE(after.changed, 0);
    QVERIFY(!b.Blue(reg));
    return;
  }
  QCOMPARE(QString::fromStdString(column == 5 ? after.comment : after.value), expected);
  QCOMPARE(after.changed, 1);
  QVERIFY(b.Blue(reg));  // drawn blue
  QVERIFY(b.window->session().PendingChanges());
  QCOMPARE(b.NodeState(after.group), static_cast<int>(kPending));
}

void SetpointWindowTest::editorsTakeFocusAndSayWhatTheyRefuse() {
  Bench b;
  b.window->show();
  b.window->OnConnect();
  b.Tick("System Name");
  b.Tick("Overload");
  b.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
  QLabel* notice = b.window->findChild<QLabel*>(QStringLiteral("out_of_range_P"));
  QVERIFY(notice);

  // The text editor has the focus as it opens: the first keys count.
  b.ClickCell(600, 3);
  QLineEdit* text = b.page().textEditor();
  QTRY_VERIFY(text->hasFocus());
  text->selectAll();
  QTest::keyClicks(text, QStringLiteral("AB"));
  QCOMPARE(text->text(), QStringLiteral("AB"));
  QVERIFY(!notice->isVisible());
  // A character the relay cannot store is refused with the notice.
  QKeyEvent accent(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
  QApplication::sendEvent(text, &accent);
  QCOMPARE(text->text(), QStringLiteral("AB"));
  QVERIFY(notice->isVisible());
  QCOMPARE(notice->text(), QString::fromUtf8("'\xC3\xA9' cannot be stored"));
  // So is the 21st character of the title.
  notice->hide();
  QTest::keyClicks(text, QStringLiteral("CDEFGHIJKLMNOPQRST"));
  QCOMPARE(text->text().size(), 20);
  QVERIFY(!notice->isVisible());
  QTest::keyClicks(text, QStringLiteral("U"));
  QCOMPARE(text->text().size(), 20);
  QVERIFY(notice->isVisible());
  QCOMPARE(notice->text(), QStringLiteral("at most 20 characters"));
  QTest::keyClick(text, Qt::Key_Return);
  QCOMPARE(b.setting(600).value, std::string("ABCDEFGHIJKLMNOPQRST"));

  // Pasted text keeps what can be stored, and says what it left out.
  b.ClickCell(600, 3);
  QTRY_VERIFY(text->hasFocus());
  text->clear();
  notice->hide();
  QGuiApplication::clipboard()->setText(
      QString::fromUtf8("Pump\xC3\xA9"
                        "7"));
  text->paste();
  QCOMPARE(text->text(), QStringLiteral("Pump7"));
  QVERIFY(notice->isVisible());
  QCOMPARE(notice->text(), QString::fromUtf8("'\xC3\xA9' cannot be stored"));
  QTest::keyClick(text, Qt::Key_Return);
  QCOMPARE(b.setting(600).value, std::string("Pump7"));

  // The comment editor too, at its own limit.
  b.ClickCell(24, 5);
  QLineEdit* comment = b.page().commentEditor();
  QTRY_VERIFY(comment->hasFocus());
  notice->hide();
  QTest::keyClicks(comment, QString(40, QLatin1Char('x')));
  QVERIFY(!notice->isVisible());
  QTest::keyClicks(comment, QStringLiteral("y"));
  QCOMPARE(notice->text(), QStringLiteral("at most 40 characters"));
  QCOMPARE(comment->text(), QString(40, QLatin1Char('x')));
}

void SetpointWindowTest::gridFitsAndTheSplitMoves() {
  Bench b;
  b.window->show();
  b.window->OnConnect();
  b.Tick("System Name");
  QTreeWidget* tree =
      qobject_cast<QTreeWidget*>(b.window->findChild<QWidget*>(QStringLiteral("Setpoints_Tree")));
  // An unticked group shows an empty tick box, not nothing.
  const auto unticked =
      tree->findItems(QStringLiteral("Overload"), Qt::MatchExactly | Qt::MatchRecursive);
  QVERIFY(!unticked.isEmpty());
  const QImage box = unticked.first()->icon(0).pixmap(14, 14).toImage();
  int drawn = 0;
  for (int y = 0; y < box.height(); ++y) {
    for (int x = 0; x < box.width(); ++x) drawn += qAlpha(box.pixel(x, y)) > 0;
  }
  QVERIFY(drawn > 20);
  QCOMPARE(unticked.first()->toolTip(0), QStringLiteral("Overload"));

  auto visibleColumns = [&] {
    int sum = 0;
    for (int c = 2; c < 6; ++c) sum += b.grid()->columnWidth(c);
    return sum;
  };
  for (const QSize size : {QSize(750, 550), QSize(1400, 900)}) {
    b.window->resize(size);
    QTest::qWait(20);
    // The visible columns fill the grid; there is nothing to scroll to.
    QCOMPARE(visibleColumns(), b.grid()->viewport()->width());
    QCOMPARE(b.grid()->horizontalScrollBar()->maximum(), 0);
  }
  b.window->resize(750, 550);
  QTest::qWait(20);
  // Enter in a text cell leaves the grid where it was.
  b.ClickCell(600, 3);
  QTRY_VERIFY(b.page().textEditor()->isVisible());
  QTest::keyClicks(b.page().textEditor(), QStringLiteral("X"));
  QTest::keyClick(b.page().textEditor(), Qt::Key_Return);
  QCOMPARE(b.grid()->horizontalScrollBar()->value(), 0);
  QCOMPARE(b.grid()->columnViewportPosition(2), 0);

  // The split moves: a wider tree, a narrower grid, the columns fit again.
  const int treeBefore = tree->width();
  const int gridRight = b.grid()->geometry().right();
  b.page().DragSplitTo(treeBefore + 100);
  QCOMPARE(tree->width(), treeBefore + 98);
  QCOMPARE(b.grid()->geometry().right(), gridRight);
  QCOMPARE(b.grid()->x(), tree->geometry().right() + 1 + 4);  // past the handle
  QTest::qWait(20);
  QCOMPARE(visibleColumns(), b.grid()->viewport()->width());
  // It stops short of squeezing the grid away.
  b.page().DragSplitTo(5000);
  QVERIFY(b.grid()->width() >= 300);
  b.page().DragSplitTo(0);
  QVERIFY(tree->width() >= 120);
  // The handle sits between the two.
  QWidget* handle = b.page().splitHandle();
  QCOMPARE(handle->x(), tree->geometry().right() + 1);
}

void SetpointWindowTest::startsConnectedAndNamesTheLink() {
  // kvx-comm --tcp 127.0.0.1:PORT: connected once the window is up, the
  // link named in the status bar while online.
  Bench relay;
  relay.window.reset();
  MainWindowOptions options;
  options.programFolder = kProgramFolder;
  CommOptions link;
  link.protocol = ProtocolKind::ModbusTcp;
  link.remoteHost = "127.0.0.1";
  link.remotePort = std::to_string(relay.relay->TcpPort());
  options.connectAtStart = link;
  MainWindow window(options);
  ScriptedDialogs dialogs;
  window.useDialogs(&dialogs);
  window.show();
  QTRY_VERIFY_WITH_TIMEOUT(window.online(), 20000);
  QCOMPARE(window.settingStore().unitName, std::string("DRA"));
  auto* linkLabel = window.findChild<QLabel*>(QStringLiteral("link_P"));
  QVERIFY(linkLabel);
  const QString expected =
      QStringLiteral("Modbus TCP 127.0.0.1:%1, unit 254").arg(relay.relay->TcpPort());
  QCOMPARE(linkLabel->text(), expected);
  QVERIFY(linkLabel->isVisible());
  // Kept for the next Connect, as if confirmed in the dialog.
  QCOMPARE(window.commOptions().remotePort, link.remotePort);
  QVERIFY(!window.commOptions().cancelled);
  window.OnDisconnect();
  QVERIFY(!linkLabel->isVisible());
  QVERIFY(dialogs.asked().empty());
}

void SetpointWindowTest::emptyGridSaysWhereToStart() {
  Bench b;
  b.relay.reset();
  b.window->show();
  QLabel* hint = b.page().emptyGridHint();
  QVERIFY(hint->isVisible());
  QVERIFY2(hint->text().contains(QStringLiteral("Connect")) &&
               hint->text().contains(QStringLiteral("Load Defaults")),
           qPrintable(hint->text()));
  // Settings loaded, nothing ticked: how to list them.
  b.window->askDefaultsFile = [] {
    return kProgramFolder + QStringLiteral("/Defaults/dra_defaults_190.xml");
  };
  b.window->findChild<QAction*>(QStringLiteral("Load1"))->trigger();
  QVERIFY(hint->isVisible());
  QCOMPARE(hint->text(), QStringLiteral("Tick a group in the tree to list its settings"));
  // Rows listed: the hint goes.
  b.Tick("Overload");
  QVERIFY(b.grid()->rowCount() > 0);
  QVERIFY(!hint->isVisible());
}

void SetpointWindowTest::textReadsOnDarkColours() {
  Bench b;
  b.window->show();
  b.window->OnConnect();
  b.Tick("Overload");
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 9, notice, corrected));
  b.window->preferences().backgroundColor = "clNavy";
  b.window->preferences().formColor = "clBlack";
  b.window->preferences().editboxColor = "clMaroon";
  b.window->preferences().fixedboxColor = "clGreen";
  b.window->ApplyColors();
  QTest::qWait(20);
  auto reads = [](const QColor& ink, const QColor& on) {
    return ContrastRatio(ToRgb(ink), ToRgb(on)) >= kReadableContrast;
  };
  QTreeWidget* tree =
      qobject_cast<QTreeWidget*>(b.window->findChild<QWidget*>(QStringLiteral("Setpoints_Tree")));
  QVERIFY(reads(tree->palette().color(QPalette::Text), tree->palette().color(QPalette::Base)));
  for (const char* name : {"unit_P", "version_P"}) {
    auto* panel = b.window->findChild<QLabel*>(QString::fromLatin1(name));
    QVERIFY2(reads(panel->palette().color(QPalette::WindowText),
                   panel->palette().color(QPalette::Window)),
             name);
  }
  // The network panel stays green, a green that reads on navy.
  auto* network = b.window->findChild<QLabel*>(QStringLiteral("network_P"));
  QVERIFY(ContrastRatio(ToRgb(network->palette().color(QPalette::WindowText)),
                        ToRgb(network->palette().color(QPalette::Window))) >= kStatusContrast);
  QVERIFY(network->palette().color(QPalette::WindowText).green() >
          network->palette().color(QPalette::WindowText).red());
  auto* bar = b.window->findChild<QWidget*>(QStringLiteral("Setpoints_P"));
  QVERIFY(
      reads(bar->palette().color(QPalette::ButtonText), bar->palette().color(QPalette::Button)));

  // The grid draws its text light on the dark cells: the name of a setting
  // (navy) and the changed value (maroon) both hold pixels that read.
  const QImage cells = b.grid()->viewport()->grab().toImage();
  auto cellReads = [&](int x, int column, const QColor& fill) {
    const QRect r = b.grid()->visualItemRect(b.grid()->item(b.page().model().RowOf(x), column));
    for (int py = r.top(); py <= r.bottom(); ++py) {
      for (int px = r.left(); px <= r.right(); ++px) {
        if (ContrastRatio(ToRgb(cells.pixelColor(px, py)), ToRgb(fill)) >= kReadableContrast) {
          return true;
        }
      }
    }
    return false;
  };
  QVERIFY(cellReads(24, 2, QColor(0, 0, 0x80)));
  QVERIFY(cellReads(24, 3, QColor(0x80, 0, 0)));
}

void SetpointWindowTest::noTimerWorkInsideABusySequence() {
  // A relay a little slow to answer, and a setpoint timer due at once: the
  // sequences below pump messages, so its ticks are delivered inside them.
  sim::ServerOptions slow;
  slow.faults.delayMs = 2;
  Bench b("DRA", 197, slow);
  b.window->OnConnect();
  QVERIFY(b.window->online());
  b.Tick("Overload");
  b.Tick("Overcurrent");
  int edits = 0;
  for (const SetpointRow& row : std::vector<SetpointRow>(b.page().model().Rows())) {
    if (row.kind != RowKind::Setting) continue;
    const int x = row.reg;
    const SettingRecord& s = b.setting(x);
    if (s.access != 0 || (s.typeCode != 1 && s.typeCode != 3)) continue;
    const double low = ParseNumber(s.minText).value_or(0);
    const double high = ParseNumber(s.maxText).value_or(0);
    const double now = ParseNumber(s.value).value_or(low);
    std::string notice;
    double corrected = 0;
    if (b.page().model().EditNumber(x, now == low ? high : low, notice, corrected)) ++edits;
  }
  QVERIFY(edits >= 5);
  b.passwords.AddPassword("1234");

  MainWindow& w = *b.window;
  QWidget* applyButton = w.findChild<QPushButton*>(QStringLiteral("Apply_B"));
  QTimer* setpointTimer = w.findChild<QTimer*>(QStringLiteral("setpoint_timer"));
  bool inside = false;
  int samples = 0;
  QStringList seen;
  QTimer sampler;
  sampler.setInterval(0);
  connect(&sampler, &QTimer::timeout, [&] {
    if (!inside) return;
    ++samples;
    if (applyButton->isEnabled()) seen << QStringLiteral("Apply enabled");
    if (w.findChild<QMenu*>(QStringLiteral("File1"))->menuAction()->isEnabled())
      seen << "File menu enabled";
  });
  sampler.start();
  auto run = [&](const std::function<void()>& sequence) {
    b.page().model().SetGridStale();
    setpointTimer->setInterval(1);
    setpointTimer->start();
    inside = true;
    sequence();
    inside = false;
  };

  // The apply is two sequences on the link (the writes, then the rebuild that
  // shows what was read back); a timer tick that slipped in would be a third.
  const int sequencesBefore = w.LinkSequencesRun();
  run([&] { b.page().OnApply(); });
  QVERIFY2(samples > 0, "the apply pumped no messages: nothing was tested");
  QVERIFY2(seen.isEmpty(), qPrintable(seen.join(QStringLiteral(", "))));
  QCOMPARE(w.LinkSequencesRun() - sequencesBefore, 2);
  // Once the sequence has ended, the timer does its work.
  QTRY_VERIFY(!b.page().model().GridStale());
  QVERIFY(applyButton->isEnabled());

  // The save from the relay reads every setpoint group with progress windows.
  QTemporaryDir dir;
  b.window->askFileName = [&](const FileRequest&) {
    return dir.filePath(QStringLiteral("busy.cds"));
  };
  samples = 0;
  const int savesBefore = w.LinkSequencesRun();
  const int expected = w.session().PendingChanges() ? 2 : 1;  // an apply first, then the reads
  run([&] { b.window->SaveToFile(); });
  QVERIFY2(samples > 0, "the save pumped no messages: nothing was tested");
  QVERIFY2(seen.isEmpty(), qPrintable(seen.join(QStringLiteral(", "))));
  QCOMPARE(w.LinkSequencesRun() - savesBefore, expected);
  QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("busy.cds"))));
  QTRY_VERIFY(!b.page().model().GridStale());
  QVERIFY(applyButton->isEnabled());
}

void SetpointWindowTest::saveAsksAboutUnappliedChangesOnce() {
  QTemporaryDir dir;
  Bench b;
  b.window->OnConnect();
  b.Tick("Overload");
  // The relay allows 0..60: the apply inside the save cannot write 99, so
  // the change is still pending when the save itself runs.
  b.setting(24).maxText = "100";
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 99, notice, corrected));
  b.passwords.AddPassword("1234");
  b.dialogs = ScriptedDialogs({MessageResult::Ok, MessageResult::Ok});
  const QString path = dir.filePath(QStringLiteral("once.cds"));
  b.window->askFileName = [&](const FileRequest&) { return path; };
  b.window->findChild<QAction*>(QStringLiteral("Save1"))->trigger();
  QCOMPARE(b.Asked("There are un-applied changes.\nDo you wish to Apply, and Save?"), 1);
  QVERIFY(QFileInfo::exists(path));
  QVERIFY(b.window->session().PendingChanges());  // the refused change is still there
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));

  // Cancel saves nothing and asks nothing else.
  b.dialogs = ScriptedDialogs({MessageResult::Cancel});
  const QString other = dir.filePath(QStringLiteral("cancelled.cds"));
  b.window->askFileName = [&](const FileRequest&) { return other; };
  b.window->findChild<QAction*>(QStringLiteral("Save1"))->trigger();
  QCOMPARE(b.dialogs.asked().size(), std::size_t{1});
  QVERIFY(!QFileInfo::exists(other));
}

void SetpointWindowTest::applyWithTheRelaySilentIsACommunicationsError() {
  Bench b;
  b.window->OnConnect();
  b.Tick("Overload");
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 7, notice, corrected));
  b.relay.reset();  // the relay is gone: nothing answers any more
  b.passwords.AddPassword("1234");
  b.page().OnApply();
  QCOMPARE(b.passwords.PasswordAsks(), 1);
  QVERIFY(!b.dialogs.asked().empty());
  const AskedMessage& told = b.dialogs.asked().back();
  QCOMPARE(told.caption, std::string("Communications Error"));
  QVERIFY2(told.text.starts_with("Error reading from unit. Please retry\nThe password could "
                                 "not be checked:\n"),
           told.text.c_str());
  QCOMPARE(b.Asked("Wrong Password."), 0);
  QCOMPARE(b.setting(24).changed, 1);
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));
  QVERIFY(b.window->findChild<QPushButton*>(QStringLiteral("Apply_B"))->isEnabled());
}

void SetpointWindowTest::failedConnectKeepsTheEditsMarked() {
  Bench b;
  b.window->OnConnect();
  b.window->OnDisconnect();
  b.Tick("Overload");
  b.Tick("System Ratings");
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 9, notice, corrected));
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));
  b.relay.reset();
  b.window->OnConnect();
  QVERIFY(!b.window->online());
  QCOMPARE(b.NodeState("System Ratings"), static_cast<int>(kListed));
  // The edit is still in the store, so the page still shows and marks it.
  QCOMPARE(b.setting(24).value, std::string("9.00"));
  QCOMPARE(b.setting(24).changed, 1);
  QVERIFY(b.window->session().PendingChanges());
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kPending));
  b.page().RebuildGrid();
  QVERIFY(b.Blue(24));
  QCOMPARE(b.cell(24, 3), QStringLiteral("9.00"));
}

void SetpointWindowTest::startUpFileThenDemoConnectOneAfterTheOther() {
  // Both start-up actions at once: the file's load pumps messages while its
  // progress windows stand, and the connect must not run inside it (the file
  // would then replace the relay's definitions under an online relay).
  Bench b;
  MainWindowOptions options;
  options.programFolder = kProgramFolder;
  options.openFileAtStart = kProgramFolder + QStringLiteral("/Defaults/drb_defaults_120.xml");
  options.connectTcpPortAtStart = b.relay->TcpPort();
  MainWindow w(options);
  ScriptedDialogs answers;
  w.useDialogs(&answers);
  QTRY_VERIFY(w.online());
  QTest::qWait(100);
  QCOMPARE(w.session().Identity().modelName, std::string("DRA"));
  QCOMPARE(w.settingStore().unitName, std::string("DRA"));
  QVERIFY(!w.IsBusy());
}

void SetpointWindowTest::whatWorkedIsConfirmedWhatFailedIsNot() {
  QTemporaryDir dir;
  Bench b;
  b.window->OnConnect();
  b.Tick("Overload");
  std::string notice;
  double corrected = 0;
  // A refused password: no word of success.
  QVERIFY(b.page().model().EditNumber(24, 7, notice, corrected));
  b.passwords.AddPassword("9999");
  b.page().OnApply();
  QVERIFY(b.window->confirmation().isEmpty());
  b.passwords.AddPassword("1234");
  b.page().OnApply();
  QCOMPARE(b.window->confirmation(), QStringLiteral("1 setting written and verified"));
  // A value the relay refuses is not confirmed, and the next command clears
  // the confirmation of the last.
  b.setting(24).maxText = "100";
  QVERIFY(b.page().model().EditNumber(24, 99, notice, corrected));
  b.page().OnApply();
  QCOMPARE(b.writeError(), QStringLiteral("Error writing Setpoint"));
  QVERIFY(b.window->confirmation().isEmpty());
  b.page().OnUndo();

  const QString path = dir.filePath(QStringLiteral("site.cds"));
  b.window->askFileName = [&](const FileRequest&) { return path; };
  b.window->SaveToFile();
  QCOMPARE(b.window->confirmation(), QStringLiteral("Saved ") + QDir::toNativeSeparators(path));
  // A save that cannot write its file says nothing of success.
  b.window->askFileName = [&](const FileRequest&) {
    return dir.filePath(QStringLiteral("no-such-folder/site.cds"));
  };
  b.window->SaveToFile();
  QVERIFY(b.window->confirmation().isEmpty());

  // Write to Unit: the ticked group stays ticked, read afresh, and the count
  // of settings written is confirmed.
  b.window->askFileName = [&](const FileRequest&) { return path; };
  b.passwords.AddPassword("1234");
  b.window->findChild<QAction*>(QStringLiteral("WritetoUnit1"))->trigger();
  QVERIFY(b.window->online());
  QCOMPARE(b.NodeState("Overload"), static_cast<int>(kListed));
  QVERIFY(b.page().model().RowOf(24) >= 0);
  QVERIFY2(b.window->confirmation().contains(QRegularExpression(
               QStringLiteral("^Setpoints written to unit: [1-9]\\d* settings$"))),
           qPrintable(b.window->confirmation()));

  // Change Password: confirmed when written, not when the current one is wrong.
  ScriptedPasswordPrompt changes({},
                                 {PasswordChange{"0000", "4321"}, PasswordChange{"1234", "4321"}});
  b.window->usePasswords(&changes);
  b.window->OnChangePassword();
  QVERIFY(b.window->confirmation().isEmpty());
  QCOMPARE(b.dialogs.asked().back().text, std::string("Wrong Password"));
  b.window->OnChangePassword();
  QCOMPARE(b.window->confirmation(), QStringLiteral("Password changed"));
  b.window->usePasswords(&b.passwords);
}

void SetpointWindowTest::keyboardShortcuts() {
  Bench b;
  const std::pair<const char*, QKeySequence> keys[] = {
      {"Open1", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"Save1", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"Exit1", QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {"RefreshKey_A", QKeySequence(Qt::Key_F5)},
      {"ApplyKey_A", QKeySequence(Qt::CTRL | Qt::Key_Return)},
      {"UndoKey_A", QKeySequence(Qt::CTRL | Qt::Key_Z)}};
  for (const auto& [name, key] : keys) {
    auto* action = b.window->findChild<QAction*>(QLatin1String(name));
    QVERIFY2(action, name);
    QVERIFY2(action->shortcuts().contains(key), name);
  }
  QVERIFY(b.window->findChild<QAction*>(QStringLiteral("ApplyKey_A"))
              ->shortcuts()
              .contains(QKeySequence(Qt::CTRL | Qt::Key_Enter)));

  // The keys do what the buttons do, from anywhere in the window.
  b.window->show();
  b.window->OnConnect();
  b.Tick("Overload");
  b.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(b.window.get()));
  std::string notice;
  double corrected = 0;
  QVERIFY(b.page().model().EditNumber(24, 7, notice, corrected));
  QTest::keyClick(b.window.get(), Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(!b.window->session().PendingChanges());
  QCOMPARE(b.setting(24).changed, 0);
  QVERIFY(b.page().model().EditNumber(24, 7, notice, corrected));
  b.passwords.AddPassword("1234");
  QTest::keyClick(b.window.get(), Qt::Key_Return, Qt::ControlModifier);
  QCOMPARE(b.window->confirmation(), QStringLiteral("1 setting written and verified"));
  QCOMPARE(b.setting(24).value, std::string("7"));
}

void SetpointWindowTest::recentFilesMenu() {
  QTemporaryDir dir;
  Bench b;
  b.window->OnConnect();
  b.window->OnDisconnect();
  b.window->preferences().recentFiles.clear();
  const QString first = dir.filePath(QStringLiteral("first.cds"));
  const QString second = dir.filePath(QStringLiteral("second.cds"));
  for (const QString& path : {first, second}) {
    b.window->askFileName = [&](const FileRequest&) { return path; };
    b.window->SaveToFile();
  }
  // A file that did not load is not offered again.
  b.window->OpenFile(dir.filePath(QStringLiteral("missing.cds")));
  QCOMPARE(b.window->preferences().recentFiles,
           (std::vector<std::string>{second.toStdString(), first.toStdString()}));

  QMenu* recent = b.window->findChild<QMenu*>(QStringLiteral("RecentFiles1"));
  QVERIFY(recent);
  QMetaObject::invokeMethod(recent, "aboutToShow");
  const QList<QAction*> entries = recent->actions();
  QCOMPARE(entries.size(), 2);
  QCOMPARE(entries[0]->text(), QStringLiteral("&1 ") + QDir::toNativeSeparators(second));
  // Choosing an entry opens it (its path in the caption) and puts it first.
  entries[1]->trigger();
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM: ") + first);
  QCOMPARE(b.window->preferences().recentFiles.front(), first.toStdString());

  // Kept in the preferences, beside the eleven values and not among them.
  Preferences kept = b.window->preferences();
  WritePreferences(kept);
  QCOMPARE(ReadPreferences().recentFiles, kept.recentFiles);
}

QTEST_MAIN(SetpointWindowTest)
#include "test_setpoint_window.moc"
