// The main window frame: menus in order with no silent items, the offline and
// online views, resize arithmetic, the close sequence, the message box and
// the help command.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QtTest>
#include <clocale>
#include <cstdio>

#include "app/comm/network_options_dialog.h"
#include "app/controls/bw_spin_edit.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/progress_window.h"
#include "app/frame/main_window.h"
#include "gui_helpers.h"
#include "shell/comm_options_logic.h"

using namespace kvx;

namespace {
// One free port, so the tests never touch the machine's own serial lines.
class OnePort : public PortAccess {
 public:
  std::vector<std::string> ListPorts() override { return {"/dev/ttyFAKE0"}; }
  bool CanOpen(const std::string&) override { return true; }
};
}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void dotDecimalSeparatorWhateverTheLocale();
  void menusInOrder();
  void screenNamesAreObjectNames();
  void everyItemAnswers();
  void connectKeepsTheConfirmedOptions();
  void connectionStateView();
  void timersAtStartUp();
  void resizeArithmetic();
  void closeWithUnsavedChanges();
  void messageBoxResults_data();
  void messageBoxResults();
  void messageBoxGeometry();
  void progressWindow();
  void helpMissingAndPresent();
  void installedLayoutFindsHelpAndDefaults();
};

void MainWindowTest::dotDecimalSeparatorWhateverTheLocale() {
  QVERIFY(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr);
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral(","));
  MainWindow w;
  QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), QStringLiteral("."));
  QCOMPARE(QLocale().decimalPoint(), QStringLiteral("."));
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", 2.5);
  QCOMPARE(QString::fromLatin1(text), QStringLiteral("2.50"));
  std::setlocale(LC_ALL, "C");
}

static QStringList Captions(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

void MainWindowTest::menusInOrder() {
  MainWindow w;
  QStringList bar;
  for (QAction* a : w.menuBar()->actions()) bar << a->text().remove(QLatin1Char('&'));
  QCOMPARE(bar, (QStringList{"File", "Communications", "Commands", "Commands", "Commands", "Plot",
                             "Data Logging", "Password", "Help"}));
  QCOMPARE(Captions(w.findChild<QMenu*>(QStringLiteral("File1"))),
           (QStringList{"Open Setpoint File", "Save Setpoint File", "Load Defaults File",
                        "Write Setpoint File to Unit", "-", "Print", "Save as Text", "-",
                        "Compare Files", "Change File Revision", "-", "Recent Files", "Exit"}));
  QCOMPARE(Captions(w.findChild<QMenu*>(QStringLiteral("Network1"))),
           (QStringList{"Connect", "Disconnect", "Show Traffic"}));
  QCOMPARE(Captions(w.findChild<QMenu*>(QStringLiteral("Help1"))),
           (QStringList{"About", "Contents", "Edit Colors"}));
  QCOMPARE(Captions(w.findChild<QMenu*>(QStringLiteral("DRA_Commands"))).size(), 9);
  QCOMPARE(Captions(w.findChild<QMenu*>(QStringLiteral("DRB_Commands"))).size(), 12);
  QCOMPARE(Captions(w.findChild<QMenu*>(QStringLiteral("FDX_Commands"))).last(),
           QStringLiteral("Run1 Clear"));
}

// Every item either does its work or says it is not there yet; none is dead.
void MainWindowTest::screenNamesAreObjectNames() {
  // Every part keeps the name the screens have always used, once, on a
  // widget of the right kind, wherever it sits in the frame.
  MainWindow w;
  QCOMPARE(w.objectName(), QStringLiteral("TMainF"));
  auto once = [&](const char* name, const QMetaObject& kind) {
    const auto all = w.findChildren<QObject*>(QString::fromLatin1(name));
    QVERIFY2(all.size() == 1, name);
    QVERIFY2(all.first()->metaObject()->inherits(&kind), name);
  };
  for (const char* name : {"PageControl1"}) once(name, QTabWidget::staticMetaObject);
  for (const char* name : {"Setpoints_Tab", "Metering_Tab", "TabSheet3", "main_display_P",
                           "dra_display_P", "drb_display_P", "fdx_display_P", "Status_P",
                           "Setpoints_P", "tree_P", "events_P", "packet_P"}) {
    once(name, QWidget::staticMetaObject);
  }
  for (const char* name : {"first_P", "second_P", "third_P", "network_P", "unit_P", "version_P",
                           "serial_P", "time_P", "out_of_range_P", "write_error_L", "empty_P"}) {
    once(name, QLabel::staticMetaObject);
  }
  for (const char* name : {"Setpoints_Grid", "Meter_Grid", "RTD_Grid", "Events_Grid"}) {
    once(name, QTableWidget::staticMetaObject);
  }
  once("Setpoints_Tree", QTreeWidget::staticMetaObject);
  once("read_Progress", QProgressBar::staticMetaObject);
  once("setting_SE", SpinEdit::staticMetaObject);
  for (const char* name :
       {"Details_B", "Reset_B", "Start1_B", "Start2_B", "Stop_B", "Apply_B", "Undo_B", "Refresh_B",
        "Print_B", "SelectAll_B", "SelectNone_B", "RefreshEvents_B", "SaveEvents_B"}) {
    once(name, QPushButton::staticMetaObject);
  }
  for (const char* name : {"setting_E", "comments_E"}) once(name, QLineEdit::staticMetaObject);
  for (const char* name : {"password_timer", "setpoint_timer", "datalog_timer", "trackbar_Timer",
                           "out_of_range_Timer"}) {
    once(name, QTimer::staticMetaObject);
  }
  for (const char* name : {"File1", "Network1", "DRA_Commands", "Password1", "Help1"}) {
    once(name, QMenu::staticMetaObject);
  }
  for (const char* name :
       {"Open1", "Save1", "Load1", "WritetoUnit1", "Exit1", "Connect1", "Disconnect1", "Timeout1",
        "ChangePassword1", "About1", "Contents1", "EditColors1"}) {
    once(name, QAction::staticMetaObject);
  }
}

void MainWindowTest::everyItemAnswers() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.openDocument = [](const QUrl&) { return false; };  // the help answers with a message
  OnePort ports;
  w.portAccess = &ports;
  int checked = 0;
  for (QAction* a : w.findChildren<QAction*>()) {
    const QString name = a->objectName();
    // Menu items only: the page's keyboard actions press their buttons. The
    // traffic window is not modal; its own test shows it.
    if (name.isEmpty() || a->menu() || !qobject_cast<QMenu*>(a->parent()) ||
        name == QLatin1String("Exit1") || name == QLatin1String("Disconnect1") ||
        name == QLatin1String("ShowTraffic1")) {
      continue;
    }
    QString caption;
    auto answered = test::WhenModal([&](QWidget* modal) {
      caption = modal->windowTitle();
      if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
    });
    a->trigger();
    QVERIFY2(*answered, qPrintable(name + QStringLiteral(" showed nothing")));
    QVERIFY2(!caption.isEmpty(), qPrintable(name));
    ++checked;
  }
  QVERIFY(checked > 40);
  // The frame buttons too: offline they ask for a relay first.
  for (const char* name : {"Details_B", "Reset_B", "Start1_B", "Start2_B", "Stop_B"}) {
    auto answered = test::WhenModal([](QWidget* modal) {
      QCOMPARE(modal->windowTitle(), QStringLiteral("Not Connected"));
      qobject_cast<QDialog*>(modal)->reject();
    });
    qobject_cast<QPushButton*>(w.findChild<QWidget*>(QString::fromLatin1(name)))->click();
    QVERIFY2(*answered, name);
  }
}

void MainWindowTest::connectKeepsTheConfirmedOptions() {
  MainWindow w;
  OnePort ports;
  w.portAccess = &ports;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  auto first = test::WhenModal([&](QWidget* modal) {
    auto* d = qobject_cast<TNetwork_OptionsF*>(modal);
    QVERIFY(d);
    d->unitSpin()->edit()->setText(QStringLiteral("17"));
    d->okButton()->click();
  });
  // Nothing answers on the fake port: the connect fails, the options stay.
  w.OnConnect();
  QVERIFY(*first);
  QCOMPARE(qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("network_P")))->text(),
           QStringLiteral("Failed to Connect"));
  QCOMPARE(qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("network_P")))->toolTip(),
           QStringLiteral("cannot open /dev/ttyFAKE0: No such file or directory"));
  QVERIFY(!w.commOptions().cancelled);
  QCOMPARE(w.commOptions().unitAddress, 17);
  QCOMPARE(w.commOptions().portName, std::string("/dev/ttyFAKE0"));
  QVERIFY(!w.online());
}

void MainWindowTest::connectionStateView() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  auto visible = [&](const char* name) {
    return w.findChild<QAction*>(QString::fromLatin1(name))->isVisible();
  };
  auto shown = [&](const char* name) {
    return w.findChild<QWidget*>(QString::fromLatin1(name))->isVisible();
  };
  auto* tabs = qobject_cast<QTabWidget*>(w.findChild<QWidget*>(QStringLiteral("PageControl1")));
  auto* network = qobject_cast<QLabel*>(w.findChild<QWidget*>(QStringLiteral("network_P")));
  auto checkOffline = [&] {
    QVERIFY(!w.online());
    QVERIFY(visible("Open1") && visible("Load1") && visible("Connect1"));
    QVERIFY(!visible("Disconnect1") && !visible("WritetoUnit1") && !visible("ChangePassword1"));
    QVERIFY(visible("ChangeRevision1"));  // works on files, offline only
    QVERIFY(!visible("Save1") && !visible("Print1") && !visible("SaveasText1"));
    QCOMPARE(w.findChild<QAction*>(QStringLiteral("Save1"))->text(),
             QStringLiteral("Save Setpoint File"));
    for (const char* m : {"DRA_Commands", "DRB_Commands", "FDX_Commands"}) {
      QVERIFY(!w.findChild<QMenu*>(QString::fromLatin1(m))->menuAction()->isVisible());
    }
    QVERIFY(!shown("dra_display_P") && !shown("drb_display_P") && !shown("fdx_display_P"));
    QVERIFY(!shown("Details_B") && !shown("Reset_B"));
    QVERIFY(!tabs->isTabVisible(1) && !tabs->isTabVisible(2));
    QVERIFY(tabs->isTabVisible(0));
    QCOMPARE(network->text(), QStringLiteral("OFFLINE"));
    QCOMPARE(network->palette().color(QPalette::WindowText), QColor(0xFF, 0, 0));
  };
  checkOffline();

  w.ShowConnectionView(true, 3);
  QVERIFY(!w.online());  // the look alone: the working state stays offline
  QVERIFY(!visible("Open1") && !visible("Load1") && !visible("Connect1"));
  QVERIFY(!visible("ChangeRevision1"));
  QVERIFY(visible("Disconnect1") && visible("WritetoUnit1") && visible("ChangePassword1"));
  QCOMPARE(w.findChild<QAction*>(QStringLiteral("Save1"))->text(),
           QStringLiteral("Save Setpoint File from Unit"));
  QVERIFY(w.findChild<QMenu*>(QStringLiteral("FDX_Commands"))->menuAction()->isVisible());
  QVERIFY(!w.findChild<QMenu*>(QStringLiteral("DRA_Commands"))->menuAction()->isVisible());
  QVERIFY(shown("fdx_display_P") && !shown("dra_display_P"));
  QVERIFY(shown("Details_B") && shown("Reset_B"));
  QVERIFY(tabs->isTabVisible(1) && tabs->isTabVisible(2));
  QCOMPARE(network->text(), QStringLiteral("ONLINE"));
  QCOMPARE(network->palette().color(QPalette::WindowText), QColor(0, 0x80, 0));

  w.OnDisconnect();
  checkOffline();
}

void MainWindowTest::timersAtStartUp() {
  MainWindow w;
  struct Expect {
    const char* name;
    int interval;
    bool active;
  } expected[] = {{"password_timer", 300000, false},
                  {"setpoint_timer", 1000, true},
                  {"datalog_timer", 4000, false},
                  {"trackbar_Timer", 500, false},
                  {"out_of_range_Timer", 5000, false}};
  for (const Expect& e : expected) {
    QTimer* t = w.findChild<QTimer*>(QString::fromLatin1(e.name));
    QVERIFY2(t, e.name);
    QCOMPARE(t->interval(), e.interval);
    QCOMPARE(t->isActive(), e.active);
  }
}

void MainWindowTest::resizeArithmetic() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.ShowConnectionView(true, 1);  // the strip with "Start 2"
  w.resize(900, 600);
  QTRY_COMPARE(w.width(), 900);
  QCOMPARE(w.findChild<QWidget*>(QStringLiteral("Start2_B"))->x(), 635);
  QCOMPARE(w.findChild<QWidget*>(QStringLiteral("Start1_B"))->x(), 465);
  // The progress bar gives up what the link panel takes beyond 108 pixels
  // for "Failed to Connect"; its right end stays where it was.
  QWidget* progress = w.findChild<QWidget*>(QStringLiteral("read_Progress"));
  const int networkExtra = w.findChild<QWidget*>(QStringLiteral("network_P"))->width() - 108;
  QVERIFY(networkExtra >= 0);
  QCOMPARE(progress->width(), 330 - networkExtra);
  QCOMPARE(progress->x() + progress->width(), 896);
  QCOMPARE(w.findChild<QWidget*>(QStringLiteral("first_P"))->width(), 488);
  QWidget* stop = w.findChild<QWidget*>(QStringLiteral("Stop_B"));
  const int stopGap = w.width() - stop->x();
  w.resize(1200, 700);
  QTRY_COMPARE(w.width(), 1200);
  QCOMPARE(w.width() - stop->x(), stopGap);  // "Stop" keeps its distance from the right
  QCOMPARE(w.findChild<QWidget*>(QStringLiteral("Start2_B"))->x(), 785);
  // "Reset" 10 pixels inside first_P's client area, "Details" 10 left of it.
  QWidget* first = w.findChild<QWidget*>(QStringLiteral("first_P"));
  QWidget* reset = w.findChild<QWidget*>(QStringLiteral("Reset_B"));
  QWidget* details = w.findChild<QWidget*>(QStringLiteral("Details_B"));
  QCOMPARE(first->contentsRect().right() + 1 - (reset->x() + reset->width()), 10);
  QCOMPARE(reset->x() - (details->x() + details->width()), 10);
  // Metering grids split the page in two halves.
  QWidget* page = qobject_cast<QTabWidget*>(w.findChild<QWidget*>(QStringLiteral("PageControl1")))
                      ->currentWidget();
  const int t = page->width();
  QCOMPARE(w.findChild<QWidget*>(QStringLiteral("RTD_Grid"))->x(), t / 2 + 2);
  QCOMPARE(w.findChild<QWidget*>(QStringLiteral("Meter_Grid"))->width(), t / 2 - 4);
}

void MainWindowTest::closeWithUnsavedChanges() {
  MainWindow w;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  int saves = 0;
  w.saveSetpointFile = [&] { ++saves; };  // the user cancels the save dialog
  w.setUnsavedChanges(true);
  QString caption, text;
  QStringList buttons;
  auto save = test::WhenModal([&](QWidget* modal) {
    caption = modal->windowTitle();
    text = modal->findChild<QLabel*>()->text();
    for (QPushButton* b : modal->findChildren<QPushButton*>()) buttons << b->text();
    QVERIFY(test::Press(modal, QStringLiteral("Save")));
  });
  QVERIFY(!w.close());
  QVERIFY(*save);
  QCOMPARE(caption, QStringLiteral("Setpoint Changes"));
  QCOMPARE(text, QStringLiteral("Do you wish to save your\ncurrent changes to a file?"));
  QCOMPARE(buttons, (QStringList{QStringLiteral("Save"), QStringLiteral("Don't Save"),
                                 QStringLiteral("Cancel")}));
  QCOMPARE(saves, 1);
  QVERIFY(w.isVisible());

  // Cancel keeps the window and the changes, online as offline.
  w.ShowConnectionView(true, 2);
  auto cancel =
      test::WhenModal([&](QWidget* modal) { test::Press(modal, QStringLiteral("Cancel")); });
  QVERIFY(!w.close());
  QVERIFY(*cancel);
  QVERIFY(w.isVisible());
  QVERIFY(w.unsavedChanges());
  QCOMPARE(saves, 1);

  // Don't Save closes and drops them.
  w.DisconnectUnit();
  auto dontSave =
      test::WhenModal([&](QWidget* modal) { test::Press(modal, QStringLiteral("Don't Save")); });
  QVERIFY(w.close());
  QVERIFY(*dontSave);
  QVERIFY(!w.unsavedChanges());
}

void MainWindowTest::messageBoxResults_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("press");
  QTest::addColumn<int>("result");
  QTest::addColumn<QStringList>("buttons");
  QTest::newRow("ok") << 0 << "OK" << 1 << QStringList{"OK"};
  QTest::newRow("ok-cancel ok") << 1 << "OK" << 1 << QStringList{"OK", "Cancel"};
  QTest::newRow("ok-cancel cancel") << 1 << "Cancel" << 2 << QStringList{"OK", "Cancel"};
  QTest::newRow("yes-no yes") << 4 << "Yes" << 6 << QStringList{"Yes", "No"};
  QTest::newRow("yes-no no") << 4 << "No" << 7 << QStringList{"Yes", "No"};
  QTest::newRow("ok-cancel escape") << 1 << "" << 2 << QStringList{"OK", "Cancel"};
}

void MainWindowTest::messageBoxResults() {
  QFETCH(int, kind);
  QFETCH(QString, press);
  QFETCH(int, result);
  QFETCH(QStringList, buttons);
  QStringList seen;
  auto answered = test::WhenModal([&](QWidget* modal) {
    for (QPushButton* b : modal->findChildren<QPushButton*>()) seen << b->text();
    if (press.isEmpty()) {
      QTest::keyClick(modal, Qt::Key_Escape);
    } else {
      QVERIFY(test::Press(modal, press));
    }
  });
  const int code = ShowMessage(nullptr, QStringLiteral("Question?"), QStringLiteral("Caption"),
                               static_cast<MessageKind>(kind));
  QVERIFY(*answered);
  QCOMPARE(code, result);
  QCOMPARE(seen, buttons);
}

void MainWindowTest::messageBoxGeometry() {
  MessageBoxDialog ok(nullptr, QStringLiteral("Short"), QStringLiteral("C"), MessageKind::Ok);
  QCOMPARE(ok.width(), 400);
  QVERIFY(ok.height() < 150);
  QCOMPARE(ok.buttons()[0]->x(), 200 - 37);
  QCOMPARE(ok.textLabel()->y(), 16);
  QCOMPARE(ok.buttons()[0]->y(), ok.textLabel()->geometry().bottom() + 1 + 2);
  QVERIFY(ok.height() >= ok.buttons()[0]->geometry().bottom());
  QVERIFY(!(ok.windowFlags() & Qt::WindowCloseButtonHint));
  QVERIFY(ok.windowFlags() & Qt::WindowStaysOnTopHint);

  const QString longText = QStringLiteral("word ").repeated(80);
  MessageBoxDialog yesNo(nullptr, longText, QStringLiteral("C"), MessageKind::YesNo);
  QCOMPARE(yesNo.buttons()[0]->x(), 100);
  QCOMPARE(yesNo.buttons()[1]->x(), 225);
  QVERIFY(yesNo.textLabel()->wordWrap());
  QVERIFY(yesNo.textLabel()->width() <= 380);
  QVERIFY(yesNo.textLabel()->height() > ok.textLabel()->height() * 2);
  QVERIFY(yesNo.height() > ok.height());
}

void MainWindowTest::progressWindow() {
  ProgressDialog progress(nullptr, 40);
  QCOMPARE(progress.windowTitle(), QStringLiteral("Work In Progress"));
  QCOMPARE(progress.size(), QSize(425, 100));
  // Cancel and Escape ask the work to stop; the window stays until it has.
  int cancels = 0;
  connect(&progress, &ProgressDialog::cancelRequested, [&] { ++cancels; });
  progress.show();
  QTest::keyClick(&progress, Qt::Key_Escape);
  QCOMPARE(cancels, 1);
  QVERIFY(progress.isVisible());
  QVERIFY(!progress.cancelButton()->isEnabled());
  progress.setPosition(25);
  QCOMPARE(progress.bar()->value(), 25);
  QCOMPARE(progress.bar()->maximum(), 40);
  ProgressDialog named(nullptr, 10, QStringLiteral("Saving"));
  QCOMPARE(named.windowTitle(), QStringLiteral("Saving"));
}

void MainWindowTest::helpMissingAndPresent() {
  QTemporaryDir empty;
  MainWindowOptions options;
  options.programFolder = empty.path();
  MainWindow w(options);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QString caption, text;
  auto answered = test::WhenModal([&](QWidget* modal) {
    caption = modal->windowTitle();
    text = modal->findChild<QLabel*>()->text();
    test::Press(modal, QStringLiteral("OK"));
  });
  w.OnHelpContents();
  QVERIFY(*answered);
  QCOMPARE(caption, QStringLiteral("Help File Open Error"));
  QVERIFY(text.contains(QStringLiteral("distributed with KVX-COMM was not found")));
  QVERIFY(text.contains(QDir(empty.path()).filePath(QStringLiteral("help/tlx_index.html"))));
  QVERIFY(text.contains(QStringLiteral("KVX-COMM may have to be reinstalled")));

  // The shipped start page beside the programs opens with the default handler.
  MainWindowOptions shipped;
  shipped.programFolder = QStringLiteral(KVX_BINARY_DIR "/bin");
  MainWindow h(shipped);
  QUrl opened;
  h.openDocument = [&](const QUrl& url) {
    opened = url;
    return true;
  };
  h.OnHelpContents();
  QVERIFY(opened.toLocalFile().endsWith(QStringLiteral("/help/tlx_index.html")));
  h.openDocument = [](const QUrl&) { return false; };  // no browser
  auto noBrowser = test::WhenModal([&](QWidget* modal) {
    text = modal->findChild<QLabel*>()->text();
    test::Press(modal, QStringLiteral("OK"));
  });
  h.OnHelpContents();
  QVERIFY(*noBrowser);
  QVERIFY(text.startsWith(QStringLiteral("An error occurred opening a web browser")));
  QVERIFY(text.endsWith(QStringLiteral("\n") + QFileInfo(opened.toLocalFile()).absoluteFilePath()));
}

// Installed, the programs sit in bin/ and their data in share/kvx-comm/: the
// window finds the help pages and the definition files there.
void MainWindowTest::installedLayoutFindsHelpAndDefaults() {
  QTemporaryDir prefix;
  QDir root(prefix.path());
  QVERIFY(root.mkpath(QStringLiteral("bin")));
  QVERIFY(root.mkpath(QStringLiteral("share/kvx-comm/help")));
  QVERIFY(root.mkpath(QStringLiteral("share/kvx-comm/Defaults")));
  QFile page(root.filePath(QStringLiteral("share/kvx-comm/help/tlx_index.html")));
  QVERIFY(page.open(QIODevice::WriteOnly));
  page.write("<html></html>");
  page.close();

  MainWindowOptions options;
  options.programFolder = root.filePath(QStringLiteral("bin"));
  MainWindow w(options);
  QCOMPARE(QDir::cleanPath(w.defaultsFolder()),
           root.filePath(QStringLiteral("share/kvx-comm/Defaults")));
  QUrl opened;
  w.openDocument = [&](const QUrl& url) {
    opened = url;
    return true;
  };
  w.OnHelpContents();
  QCOMPARE(opened.toLocalFile(), QFileInfo(page).absoluteFilePath());
}

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
