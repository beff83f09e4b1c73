// The report, comparison and revision commands of the window: Save as Text
// with its options, printing to a PDF file, the Compare Files window (also
// against a simulated relay in this process) and Change File Revision.

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/compare/compare_files_window.h"
#include "app/frame/main_window.h"
#include "app/reports/report_commands.h"
#include "app/reports/saving_options_dialog.h"
#include "app/setpoints/setpoint_page_view.h"
#include "gui_helpers.h"
#include "reports/setpoint_report.h"
#include "session/setpoint_page.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/revision_change.h"
#include "setpoints/write_setting_file.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");
const QString kDefaults = kProgramFolder + QStringLiteral("/Defaults");

struct Bench {
  std::unique_ptr<sim::RelaySimulation> relay;
  std::unique_ptr<MainWindow> window;
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;

  Bench() {
    MainWindowOptions options;
    options.programFolder = kProgramFolder;
    window = std::make_unique<MainWindow>(options);
    window->useDialogs(&dialogs);
    window->usePasswords(&passwords);
    window->findChild<QTimer*>(QStringLiteral("setpoint_timer"))->stop();
    reports()->today = [] { return QStringLiteral("10/12/2026"); };
  }
  ReportCommands* reports() { return ReportCommands::Of(*window); }
  void Load(const QString& file) {
    window->askDefaultsFile = [file] { return kDefaults + QLatin1Char('/') + file; };
    window->findChild<QAction*>(QStringLiteral("Load1"))->trigger();
  }
  void Trigger(const char* name) { window->findChild<QAction*>(QLatin1String(name))->trigger(); }
  bool Told(const std::string& text) const {
    for (const AskedMessage& m : dialogs.asked())
      if (m.text.find(text) != std::string::npos) return true;
    return false;
  }
  SettingRecord& setting(int x) { return window->settingStore().settings.at(x); }
  int NodeState(const std::string& name) {
    int state = -2;
    std::function<void(const SetpointTreeNode&)> find = [&](const SetpointTreeNode& n) {
      if (n.text == name) state = n.state;
      for (const auto& c : n.children) find(c);
    };
    find(window->setpointsView().model().Tree());
    return state;
  }
};

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A DRB-50 1.20 setpoint file with register `x` set to `value`.
QString SetpointFile(const QTemporaryDir& dir, const QString& name, int x, const char* value) {
  SettingStore s;
  const std::filesystem::path defaults = kDefaults.toStdString();
  if (!LoadSettingFile(s, defaults / "drb_defaults_120.xml", defaults)) return {};
  s.settings[x].value = value;
  const QString path = dir.filePath(name);
  return WriteSettingFile(s, path.toStdString()).ok ? path : QString();
}

}  // namespace

class ReportWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void savingOptionsDialog();
  void saveAsTextWritesTheReport();
  void printsPagesToPdf();
  void compareFilesWindow();
  void compareWithUnit();
  void changeFileRevision();
};

void ReportWindowTest::savingOptionsDialog() {
  QWidget owner;
  {
    SavingOptionsDialog d(&owner);
    QCOMPARE(d.windowTitle(), QStringLiteral("Saving Options"));
    QVERIFY(d.allButton()->isChecked());
    d.displayedButton()->setChecked(true);
    d.reject();  // closed another way: all settings
    QCOMPARE(d.Choice(), ReportChoice::AllSettings);
  }
  SavingOptionsDialog d(&owner);
  test::WhenModal([](QWidget* w) {
    w->findChild<QRadioButton*>(QStringLiteral("displayed_RB"))->setChecked(true);
    QVERIFY(test::Press(w, QStringLiteral("OK")));
  });
  d.exec();
  QCOMPARE(d.Choice(), ReportChoice::DisplayedSettings);
}

void ReportWindowTest::saveAsTextWritesTheReport() {
  QTemporaryDir dir;
  Bench b;
  QAction* saveAsText = b.window->findChild<QAction*>(QStringLiteral("SaveasText1"));
  QAction* print = b.window->findChild<QAction*>(QStringLiteral("Print1"));
  QVERIFY(!saveAsText->isVisible());
  QVERIFY(!print->isVisible());
  b.Trigger("SaveasText1");  // hidden, but a call still gets the reason
  QVERIFY(b.Told("before a report can be made"));
  b.Load(QStringLiteral("drb_defaults_130.xml"));
  QVERIFY(saveAsText->isVisible());
  QVERIFY(print->isVisible());

  const QString path = dir.filePath(QStringLiteral("report.xls"));
  FileRequest asked;
  b.window->askFileName = [&](const FileRequest& r) {
    asked = r;
    return path;
  };
  b.reports()->askSavingOption = [] { return ReportChoice::AllSettings; };
  b.Trigger("SaveasText1");
  QCOMPARE(asked.title, QStringLiteral("Save in Readable Format"));
  QCOMPARE(asked.proposedName, QStringLiteral("Setpoints"));
  QCOMPARE(asked.suffix, QStringLiteral("xls"));
  const QByteArray all = ReadAll(path);
  QVERIFY(
      all.startsWith("Halvoren TRAXILON\tSETPOINTS\t10/12/2026\r\nUnit Type\tDRB-50\r\n"
                     "Firmware Version\t1.30\r\n\r\nSection \tParameters"));
  QVERIFY(all.contains("\r\nJam \r\n\tJam Function \tDisabled \t \t\r\n"));
  QCOMPARE(b.window->lastFolder(), dir.path());
  QCOMPARE(b.window->windowTitle(), QStringLiteral("KVX-COMM"));  // the caption names no report

  // Displayed settings: nothing ticked yet, then the Jam group.
  b.reports()->askSavingOption = [] { return ReportChoice::DisplayedSettings; };
  b.Trigger("SaveasText1");
  QVERIFY(ReadAll(path).endsWith("Comments\r\n\r\n"));

  // A report that cannot be written says so.
  b.window->askFileName = [&](const FileRequest&) {
    return dir.filePath(QStringLiteral("absent/report.xls"));
  };
  b.Trigger("SaveasText1");
  QVERIFY(b.Told("The report could not be written."));
}

void ReportWindowTest::printsPagesToPdf() {
  QTemporaryDir dir;
  Bench b;
  b.Load(QStringLiteral("drb_defaults_130.xml"));
  b.window->setpointsView().OnSelectAll();
  const int rows = static_cast<int>(b.window->setpointsView().model().Rows().size());
  QVERIFY(rows > 100);
  const QString pdf = qEnvironmentVariableIsSet("KVX_REPORT_PDF")
                          ? qEnvironmentVariable("KVX_REPORT_PDF")
                          : dir.filePath(QStringLiteral("report.pdf"));
  b.reports()->askPrinter = [&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageSize(QPageSize(QPageSize::A4));
    return true;
  };
  // The page's Print button runs the menu's Print.
  QPushButton* button = b.window->findChild<QPushButton*>(QStringLiteral("Print_B"));
  QVERIFY(button);
  button->click();
  QVERIFY(QFileInfo(pdf).size() > 0);

  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  QVERIFY(text.waitForFinished(20000));
  const QString out = QString::fromUtf8(text.readAllStandardOutput());
  QVERIFY2(out.contains(QStringLiteral("SETPOINTS")), qPrintable(out.left(400)));
  QVERIFY(out.contains(QStringLiteral("Firmware Version: 1.30")));
  QVERIFY(out.contains(QStringLiteral("Page 1")));
  QVERIFY(out.contains(QStringLiteral("Page 2")));
  // Each page after the first repeats the column header.
  QCOMPARE(out.count(QStringLiteral("Parameters")), out.count(QStringLiteral("Page ")));

  // A printer that cannot begin the document: "Printer Error".
  b.reports()->askPrinter = [&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("absent/x.pdf")));
    return true;
  };
  b.Trigger("Print1");
  QVERIFY(b.Told("There was an error printing."));
}

void ReportWindowTest::compareFilesWindow() {
  QTemporaryDir dir;
  Bench b;
  const QString changed = SetpointFile(dir, QStringLiteral("pump.cds"), 67, "12");
  QVERIFY(!changed.isEmpty());
  QString files[2] = {kDefaults + QStringLiteral("/drb_defaults_120.xml"), changed};
  // Made once and kept; the test shows it without a modal loop.
  CompareFilesWindow* w = &b.reports()->compareWindow();
  w->askFile = [&](int side) { return files[side]; };
  w->showModal = [w] { w->show(); };
  b.Trigger("CompareFiles1");
  QVERIFY(w->isVisible());
  w->resize(750, 550);
  QCOMPARE(w->windowTitle(), QStringLiteral("Compare Files"));
  QVERIFY(w->findChild<QWidget*>(QStringLiteral("hint_P"))->isVisible());
  w->findChild<QPushButton*>(QStringLiteral("tip1_P"))->click();
  QCOMPARE(w->findChild<QLabel*>(QStringLiteral("file1_L"))->text(),
           QStringLiteral("drb_defaults_120.xml"));
  QCOMPARE(w->findChild<QPushButton*>(QStringLiteral("change1_B"))->text(),
           QStringLiteral("Change File"));
  QCOMPARE(w->grid().rows.size(), std::size_t(4));
  w->findChild<QPushButton*>(QStringLiteral("change2_B"))->click();
  QCOMPARE(w->grid().differences, 1);
  QTableWidget* t = w->gridWidget();
  QCOMPARE(t->rowCount(), 5);
  QCOMPARE(t->item(3, 1)->text(), QStringLiteral("Jam"));
  QVERIFY(t->item(3, 1)->font().bold());
  QVERIFY(!t->item(4, 1)->font().bold());
  QCOMPARE(t->item(4, 6)->text(), QStringLiteral("12.00"));
  QCOMPARE(t->columnWidth(1), 200);
  QCOMPARE(t->columnWidth(2), 115);
  w->resize(950, 600);
  QCOMPARE(t->columnWidth(1), 250);
  QCOMPARE(t->columnWidth(6), 165);
  QCOMPARE(t->columnWidth(4), 8);
  QCOMPARE(t->columnWidth(0), 0);

  const QString listing = dir.filePath(QStringLiteral("cmp.xls"));
  FileRequest asked;
  b.window->askFileName = [&](const FileRequest& r) {
    asked = r;
    return listing;
  };
  QVERIFY(test::Press(w, QStringLiteral("Save")));
  QCOMPARE(asked.proposedName, QStringLiteral("Setpoints_Comparison"));
  const QByteArray saved = ReadAll(listing);
  QCOMPARE(saved.count("\r\n"), 7);
  QVERIFY(saved.startsWith("Halvoren TRAXILON\r\ndrb_defaults_120.xml \t\t\t\tpump.cds\r\n"));

  const QString pdf = qEnvironmentVariableIsSet("KVX_COMPARE_PDF")
                          ? qEnvironmentVariable("KVX_COMPARE_PDF")
                          : dir.filePath(QStringLiteral("cmp.pdf"));
  w->askPrinter = [&](QPrinter& p) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdf);
    return true;
  };
  QVERIFY(test::Press(w, QStringLiteral("Print")));
  QVERIFY(QFileInfo(pdf).size() > 0);

  // A file whose rows cannot be read.
  QFile bad(dir.filePath(QStringLiteral("cols.xml")));
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write(
      "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"CFG_NAME\" fieldtype=\"string\" "
      "WIDTH=\"10\"/></FIELDS></METADATA><ROWDATA/></DATAPACKET>");
  bad.close();
  files[1] = bad.fileName();
  w->SelectFile(1);
  QVERIFY(b.Told("Error in Second File."));
  QCOMPARE(t->rowCount(), 4);
  w->close();
}

void ReportWindowTest::compareWithUnit() {
  QTemporaryDir dir;
  Bench b;
  std::string error;
  auto config = sim::MakeRelayConfig("DRB-50", 120, kDefaults.toStdString(), error);
  QVERIFY2(config, error.c_str());
  b.relay = std::make_unique<sim::RelaySimulation>(std::move(*config), sim::ServerOptions{});
  b.relay->StartTcp("127.0.0.1", 0);
  b.window->askCommOptions = [&](CommOptions& o) {
    o.cancelled = false;
    o.protocol = ProtocolKind::ModbusTcp;
    o.remoteHost = "127.0.0.1";
    o.remotePort = std::to_string(b.relay->TcpPort());
  };
  b.window->OnConnect();
  QVERIFY(b.window->online());
  // A pending edit in the window is no business of the comparison.
  b.setting(67).value = "7";
  const QString file = SetpointFile(dir, QStringLiteral("site.cds"), 67, "12");
  CompareFilesWindow* w = &b.reports()->compareWindow();
  w->showModal = [w] { w->show(); };
  b.Trigger("CompareFiles1");
  w->askFile = [&](int) { return file; };
  QPushButton* unit = w->findChild<QPushButton*>(QStringLiteral("unit_B"));
  QVERIFY(unit->isVisible());
  unit->click();
  QCOMPARE(w->findChild<QLabel*>(QStringLiteral("file1_L"))->text(), QStringLiteral("Unit DRB-50"));
  QCOMPARE(w->grid().differences, 1);
  const CompareGridRow& row = w->grid().rows.back();
  QCOMPARE(row[2], std::string("5.00"));  // the relay's value, not the edit
  QCOMPARE(row[6], std::string("12.00"));
  QCOMPARE(b.setting(67).value, std::string("7"));
  w->close();
  b.window->OnDisconnect();
}

void ReportWindowTest::changeFileRevision() {
  Bench b;
  b.Trigger("ChangeRevision1");
  QVERIFY(b.Told("A setpoint file must first be loaded"));

  b.Load(QStringLiteral("drb_defaults_120.xml"));
  b.setting(65).value = "12";  // above 1.30's maximum of 10 (and 1.20's)
  b.setting(67).value = "25";

  // Another model: refused, nothing changes.
  b.window->askDefaultsFile = [] { return kDefaults + QStringLiteral("/fdx_defaults_110.xml"); };
  b.Trigger("ChangeRevision1");
  QVERIFY(b.Told("File was created for the wrong type of Unit."));
  QCOMPARE(b.window->settingStore().definitionFirmware, 120);

  b.window->askDefaultsFile = [] { return kDefaults + QStringLiteral("/drb_defaults_130.xml"); };
  b.Trigger("ChangeRevision1");
  QVERIFY(b.Told("Please review all conversion issues (in blue)"));
  QCOMPARE(b.window->settingStore().definitionFirmware, 130);
  QCOMPARE(b.setting(65).value, std::string("12"));
  QCOMPARE(b.setting(65).comment, std::string(kOutOfLimitsComment));
  QCOMPARE(b.setting(151).comment, std::string(kNotConvertedComment));
  QCOMPARE(b.setting(67).value, std::string("25"));
  QCOMPARE(b.setting(67).changed, 0);
  QCOMPARE(b.NodeState("Jam"), static_cast<int>(kPending));
  SetpointPage& page = b.window->setpointsView().model();
  const int row = page.RowOf(65);
  QVERIFY(row >= 0);
  QVERIFY(page.Rows()[static_cast<std::size_t>(row)].changed);  // drawn blue
  QVERIFY(b.window->session().PendingChanges());
  QVERIFY(b.window->unsavedChanges());
  QVERIFY(b.window->findChild<QLabel*>(QStringLiteral("version_P")) == nullptr ||
          b.window->findChild<QLabel*>(QStringLiteral("version_P"))
              ->text()
              .contains(QStringLiteral("1.30")));
}

QTEST_MAIN(ReportWindowTest)
#include "test_report_window.moc"
