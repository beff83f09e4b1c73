// The Data Logging menu of the window: enabling asks for the file and keeps
// the base in the preferences, the timing dialog, one line per tick only
// after fresh metering, and the disconnect stopping the timer but keeping the
// tick.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/controls/bw_spin_edit.h"
#include "app/datalog/datalog_commands.h"
#include "app/datalog/datalog_time_dialog.h"
#include "app/frame/main_window.h"
#include "gui_helpers.h"
#include "shell/scripted_dialogs.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Window {
  Window() {
    MainWindowOptions options;
    options.programFolder = kProgramFolder;
    window = std::make_unique<MainWindow>(options);
    window->useDialogs(&dialogs);
    window->findChild<QTimer*>(QStringLiteral("setpoint_timer"))->stop();
    window->askFileName = [this](const FileRequest& r) {
      requests.push_back(r);
      return answer;
    };
    log().clock = [] { return LocalDateTime{2026, 12, 10, 14, 2, 7}; };
    log().meteringRow = [this] { return DataLogRow{{"M1", "M2", "T1"}, values}; };
  }
  DatalogCommands& log() { return window->datalog(); }
  QAction* enable() { return window->findChild<QAction*>(QStringLiteral("Datalog_Enable")); }
  QTimer* timer() { return window->findChild<QTimer*>(QStringLiteral("datalog_timer")); }

  std::unique_ptr<MainWindow> window;
  ScriptedDialogs dialogs;
  std::vector<FileRequest> requests;
  QString answer;
  std::vector<std::string> values{"412.50", "409.80", "Open"};
};

}  // namespace

class DatalogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }

  void enableAsksForTheFileAndKeepsTheBase() {
    QTemporaryDir dir;
    Window w;
    QVERIFY(!w.enable()->isChecked());
    QVERIFY(!w.timer()->isActive());

    // Cancel changes nothing.
    w.enable()->trigger();
    QCOMPARE(w.requests.size(), std::size_t{1});
    QCOMPARE(w.requests[0].title, QStringLiteral("Save as FILENAME_yyyymmdd.txt"));
    QCOMPARE(w.requests[0].proposedName, QStringLiteral("DataLog"));
    QVERIFY(!w.enable()->isChecked());
    QVERIFY(!w.timer()->isActive());

    // Too long a path: the message, and logging stays off.
    w.answer = dir.path() + QLatin1Char('/') + QString(240, QLatin1Char('a')) + ".txt";
    w.enable()->trigger();
    QVERIFY(!w.enable()->isChecked());
    QCOMPARE(w.dialogs.asked().size(), std::size_t{1});
    QCOMPARE(w.dialogs.asked()[0].caption, std::string("Error"));
    QCOMPARE(w.dialogs.asked()[0].text, std::string("Filename too long."));

    w.answer = dir.filePath(QStringLiteral("Pump.TXT"));
    w.enable()->trigger();
    QVERIFY(w.enable()->isChecked());
    QVERIFY(w.timer()->isActive());
    QCOMPARE(w.timer()->interval(), 4000);
    QCOMPARE(QString::fromStdString(w.window->preferences().datalogName),
             dir.filePath(QStringLiteral("Pump")));

    // Once more switches it off without asking.
    w.enable()->trigger();
    QVERIFY(!w.enable()->isChecked());
    QVERIFY(!w.timer()->isActive());
    QCOMPARE(w.requests.size(), std::size_t{3});
  }

  void timingDialogWholeSecondsFromTwo() {
    UserColors colors;
    DatalogTimeDialog shortPeriod(nullptr, colors, 2500, 2000);
    QCOMPARE(shortPeriod.spin()->Value(), 2.0);
    QCOMPARE(shortPeriod.spin()->Min(), 2.0);
    QCOMPARE(shortPeriod.spin()->Max(), 9999.0);
    QCOMPARE(shortPeriod.PeriodMs(), 2000);
    DatalogTimeDialog belowMinimum(nullptr, colors, 1000, 2000);
    QCOMPARE(belowMinimum.spin()->Value(), 2.0);

    // Through the menu: OK sets the timer's interval, the timer stays as it was.
    Window w;
    test::WhenModal([](QWidget* dialog) {
      auto* d = qobject_cast<DatalogTimeDialog*>(dialog);
      QVERIFY(d);
      d->spin()->setValue(7);
      test::Press(dialog, QStringLiteral("OK"));
    });
    w.window->findChild<QAction*>(QStringLiteral("DatalogTiming1"))->trigger();
    QCOMPARE(w.log().periodMs(), 7000);
    QCOMPARE(w.timer()->interval(), 7000);
    QVERIFY(!w.timer()->isActive());
    test::WhenModal([](QWidget* dialog) { test::Press(dialog, QStringLiteral("Cancel")); });
    w.window->findChild<QAction*>(QStringLiteral("DatalogTiming1"))->trigger();
    QCOMPARE(w.timer()->interval(), 7000);
  }

  void oneLinePerTickOnlyAfterFreshMetering() {
    QTemporaryDir dir;
    Window w;
    w.answer = dir.filePath(QStringLiteral("Pump.txt"));
    w.enable()->trigger();
    QVERIFY(w.enable()->isChecked());
    const QString file = dir.filePath(QStringLiteral("Pump_20261210.txt"));

    w.log().Tick();  // nothing shown yet
    QVERIFY(!QFile::exists(file));
    w.log().SetFreshMetering(true);
    w.log().Tick();
    w.log().Tick();  // the flag was cleared by the line before
    QCOMPARE(ReadAll(file), QByteArray("Date\tTime\tM1\tM2\tT1\r\n"
                                       "2026/12/10\t14:02:07\t412.50\t409.80\tOpen\r\n"));
    QVERIFY(!w.log().freshMetering());

    // The disconnect stops the timer and keeps the tick; no line follows.
    w.window->DisconnectUnit();
    QVERIFY(w.enable()->isChecked());
    QVERIFY(!w.timer()->isActive());
  }

  void unwritableFolderSaysSoInTheStatusBarNotInABox() {
    QTemporaryDir dir;
    Window w;
    w.answer = dir.filePath(QStringLiteral("gone/Pump.txt"));
    w.enable()->trigger();
    for (int i = 0; i < 3; ++i) {
      w.log().SetFreshMetering(true);
      w.log().Tick();
    }
    QVERIFY(w.dialogs.asked().empty());
    QVERIFY2(w.window->confirmation().contains(QStringLiteral("3 lines could not be written")),
             qPrintable(w.window->confirmation()));
  }
};

QTEST_MAIN(DatalogTest)
#include "test_datalog.moc"
