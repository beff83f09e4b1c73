// The two curve windows opened from "Plot Chart": offline from a defaults
// file and online against a simulated relay in this process. The chart
// draws the model's series, an edit rebuilds them and is handed back as a
// pending edit, the entry check clamps and fades, "Apply Changes" goes
// through the password gate to the relay, the points file and the exported
// pictures hold what the window shows.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <memory>

#include "app/controls/bw_spin_edit.h"
#include "app/curves/curve_chart.h"
#include "app/curves/custom_curve_page.h"
#include "app/curves/feeder_plot_window.h"
#include "app/curves/motor_plot_window.h"
#include "app/dialogs/window_dialogs.h"
#include "app/frame/main_window.h"
#include "app/frame/plot_commands.h"
#include "app/setpoints/setpoint_page_view.h"
#include "gui_helpers.h"
#include "session/setpoint_page.h"
#include "setpoints/number_text.h"
#include "setpoints/register_values.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

using namespace kvx;

namespace {

const QString kProgramFolder = QStringLiteral(KVX_BINARY_DIR "/bin");

struct Bench {
  std::unique_ptr<sim::RelaySimulation> relay;
  std::unique_ptr<MainWindow> window;
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;
  QString saveAnswer;  // the answer to every save dialog (empty: Cancel)

  // Online against a simulated `model` when `firmware` > 0, else offline
  // with the defaults file `defaultsFile` loaded.
  Bench(const std::string& model, int firmware, const QString& defaultsFile = {}) {
    if (firmware > 0) {
      std::string error;
      auto config = sim::MakeRelayConfig(
          model, firmware, (kProgramFolder + QStringLiteral("/Defaults")).toStdString(), error);
      if (config) {
        relay = std::make_unique<sim::RelaySimulation>(std::move(*config));
        relay->StartTcp("127.0.0.1", 0);
      }
    }
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
      o.remotePort = std::to_string(relay ? relay->TcpPort() : 1);
    };
    window->askDefaultsFile = [defaultsFile] {
      return kProgramFolder + QStringLiteral("/Defaults/") + defaultsFile;
    };
    if (relay) window->OnConnect();
  }
  PlotCommands& plots() { return *window->findChild<PlotCommands*>(); }
  SettingRecord& setting(int x) { return window->settingStore().settings.at(x); }
  SetpointPage& page() { return window->setpointsView().model(); }
  int NodeState(const std::string& name) {
    int state = -2;
    std::function<void(const SetpointTreeNode&)> find = [&](const SetpointTreeNode& n) {
      if (n.text == name) state = n.state;
      for (const auto& c : n.children) find(c);
    };
    find(page().Tree());
    return state;
  }
  bool Blue(int x) {
    const int row = page().RowOf(x);
    return row >= 0 && page().Rows()[static_cast<std::size_t>(row)].changed;
  }
  // Opens the window through the menu; `inside` runs while it is up, then it closes.
  void Plot(const std::function<void(QDialog&)>& inside) {
    plots().showModal = [this, inside](QDialog& d) {
      static_cast<CurvePlotWindow&>(d).askSaveFile = [this](const QString&, const QString&,
                                                            const QString&) { return saveAnswer; };
      d.show();
      inside(d);
      d.findChild<QPushButton*>(QStringLiteral("Close_B"))->click();
      QVERIFY2(!d.isVisible(), "Close closes the window");
    };
    window->findChild<QAction*>(QStringLiteral("PlotChart1"))->trigger();
  }
  // What the relay holds at register x, read afresh.
  std::string OnRelay(int x) {
    std::string text;
    if (!ReadSetting(window->session().Comm(), x, setting(x).typeCode, text)) return "(no answer)";
    return text;
  }
};

// Types `text` into a number box and presses Enter, as the user does.
void Type(SpinEdit* box, const QString& text) {
  box->edit()->setText(text);
  box->Commit();
}

// The chart draws exactly the model's points of every series it is given.
void CheckChartMatches(CurveChart* chart, const std::vector<const CurveSeries*>& series) {
  for (const CurveSeries* s : series) {
    QCPGraph* g = chart->GraphNamed(QString::fromStdString(s->name));
    QVERIFY2(g != nullptr, s->name.c_str());
    QCOMPARE(g->visible(), s->active);
    QCOMPARE(g->data()->size(), static_cast<int>(s->points.size()));
    int i = 0;
    for (auto it = g->data()->constBegin(); it != g->data()->constEnd(); ++it, ++i) {
      QCOMPARE(it->key, s->points[static_cast<std::size_t>(i)].current);
      QCOMPARE(it->value, s->points[static_cast<std::size_t>(i)].time);
    }
  }
}

std::vector<const CurveSeries*> All(const FeederCurves& c) {
  std::vector<const CurveSeries*> v;
  for (const CurveSeries& s : c.series) v.push_back(&s);
  return v;
}

std::vector<const CurveSeries*> All(const MotorCurves& c) {
  std::vector<const CurveSeries*> v;
  for (const CurveSeries& s : c.series) v.push_back(&s);
  return v;
}

void Screenshot(QWidget& w, const QString& name) {
  QDir().mkpath(QStringLiteral(KVX_BINARY_DIR "/screenshots"));
  QVERIFY(w.grab().save(QStringLiteral(KVX_BINARY_DIR "/screenshots/") + name));
}

QStringList ReadLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QString text = QString::fromLatin1(f.readAll());
  if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
  return text.split(QStringLiteral("\r\n"));
}

}  // namespace

class PlotWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::IsolatedConfig(); }
  void opensFromDefaultsOffline_data();
  void opensFromDefaultsOffline();
  void feederEditRebuildsAndIsHandedBack();
  void entryCheckClampsAndFades();
  void motorApplyWithWrongThenRightPassword();
  void feederApplyOnlineWritesEveryValue();
  void pointsFileAndCustomCurve();
  void exportedPictures();
  void printingToPdf();
  void printWaitWindow();
  void ctRatioMessageOncePerChange();
  void userColoursEverywhere_data();
  void userColoursEverywhere();
  void axisPanel();
};

void PlotWindowsTest::opensFromDefaultsOffline_data() {
  QTest::addColumn<QString>("file");
  QTest::addColumn<bool>("feeder");
  QTest::newRow("DRA") << QStringLiteral("dra_defaults_190.xml") << false;
  QTest::newRow("DRB-50") << QStringLiteral("drb_defaults_130.xml") << false;
  QTest::newRow("FDX-50") << QStringLiteral("fdx_defaults_110.xml") << true;
}

void PlotWindowsTest::opensFromDefaultsOffline() {
  QFETCH(QString, file);
  QFETCH(bool, feeder);
  Bench b("", 0, file);
  bool shown = false;
  // Nothing loaded: Plot Chart loads the defaults file first.
  b.Plot([&](QDialog& d) {
    shown = true;
    if (feeder) {
      auto& w = static_cast<FeederPlotWindow&>(d);
      QCOMPARE(w.objectName(), QStringLiteral("TFDX_PlotF"));
      QCOMPARE(w.windowTitle(), QStringLiteral("Protection Curves"));
      QCOMPARE(w.pages()->tabText(w.pages()->currentIndex()), QStringLiteral("Group 1"));
      // Every element of both groups ticked: fourteen bands.
      for (int g = 0; g < 2; ++g)
        for (int e = 0; e < kFeederElements; ++e)
          w.tickBox(g, static_cast<FeederElement>(e))->setChecked(true);
      const auto series = All(w.curves());
      for (const CurveSeries* s : series) QVERIFY2(!s->points.empty(), s->name.c_str());
      CheckChartMatches(w.chart(), series);
      QCOMPARE(w.chart()->xAxis->range().lower, w.curves().axes.current.min);
      QCOMPARE(w.chart()->yAxis->range().upper, w.curves().axes.time.max);
      QCOMPARE(w.chart()->xAxis->scaleType(), QCPAxis::stLogarithmic);
      QCOMPARE(w.chart()->yAxis->scaleType(), QCPAxis::stLogarithmic);
      QVERIFY(w.chart()->accuracyLegend()->text().contains(QStringLiteral("Accuracy")));
      QVERIFY(w.lastRebuildMs() > 0);
    } else {
      auto& w = static_cast<MotorPlotWindow&>(d);
      QCOMPARE(w.objectName(), QStringLiteral("TDRA_PlotF"));
      QCOMPARE(w.pages()->tabText(w.pages()->currentIndex()), QStringLiteral("Set Points"));
      CheckChartMatches(w.chart(), All(w.curves()));
      QVERIFY(w.curves().built);
      QVERIFY(w.chart()->trendRect()->visible());
      QCOMPARE(w.chart()->trendGraph()->data()->size(),
               static_cast<int>(w.curves().trend.points.size()));
      QCOMPARE(w.chart()->xAxis->scaleType(), QCPAxis::stLinear);
      w.logarithmicBox()->setChecked(true);
      QCOMPARE(w.chart()->xAxis->scaleType(), QCPAxis::stLogarithmic);
      QCOMPARE(w.chart()->xAxis->range().lower, 100.0);
      w.trendBox()->setChecked(false);
      QVERIFY(!w.chart()->trendRect()->visible());
      w.trendBox()->setChecked(true);
      // The table of the Data Points page is the model's.
      QCOMPARE(w.pointsGrid()->rowCount(), static_cast<int>(w.curves().table.rows.size()));
      QCOMPARE(w.pointsGrid()->item(0, 1)->text(),
               QString::fromStdString(w.curves().table.rows[0][1]));
    }
    d.resize(1400, 900);
    Screenshot(d, QStringLiteral("plot_%1.png").arg(QString::fromLatin1(QTest::currentDataTag())));
  });
  QVERIFY(shown);
  QVERIFY(!b.window->settingStore().unitName.empty());
  // Nothing was edited: nothing pending.
  QVERIFY(!b.window->session().PendingChanges());
  // The window is kept; the ticks carry over to the next opening.
  b.Plot([&](QDialog& d) {
    if (feeder) {
      auto& w = static_cast<FeederPlotWindow&>(d);
      QVERIFY(w.tickBox(1, FeederElement::EarthFaultCtDefiniteTime)->isChecked());
      QCOMPARE(&w, b.plots().feederWindow());
    } else {
      auto& w = static_cast<MotorPlotWindow&>(d);
      QVERIFY(w.logarithmicBox()->isChecked());
    }
  });
}

void PlotWindowsTest::feederEditRebuildsAndIsHandedBack() {
  Bench b("", 0, QStringLiteral("fdx_defaults_110.xml"));
  constexpr int kRow = 8;  // phase inverse group 1 pickup
  const int reg = kFdxRecordRegisters[kRow];
  std::string typed;
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<FeederPlotWindow&>(d);
    const double min = ParseNumber(b.setting(reg).minText).value();
    const double max = ParseNumber(b.setting(reg).maxText).value();
    const double before = w.numberBox(kRow)->Value();
    const double next = before + 0.5 <= max ? before + 0.5 : min;
    typed = FormatFixed(next, 2);
    const std::vector<CurvePoint> old = w.curves().Series(0, FeederElement::PhaseInverse).points;
    QVERIFY(!w.pending());
    Type(w.numberBox(kRow), QString::fromStdString(typed));
    QVERIFY(w.pending());
    const auto& now = w.curves().Series(0, FeederElement::PhaseInverse).points;
    QVERIFY(now.size() != old.size() || now.front().current != old.front().current);
    CheckChartMatches(w.chart(), All(w.curves()));
    // A curve type too.
    QComboBox* list = w.curveTypeList(6);
    const int other = (list->currentIndex() + 1) % list->count();
    list->setCurrentIndex(other);
    emit list->activated(other);
    // Nothing is written to the setting table while the window is up.
    QVERIFY(b.setting(reg).changed == 0);
  });
  // Closed with pending changes: handed back as pending edits, group marked.
  QCOMPARE(b.setting(reg).value, typed);
  QCOMPARE(b.setting(reg).changed, 1);
  QCOMPARE(b.setting(51).changed, 1);
  QVERIFY(b.window->session().PendingChanges());
  QCOMPARE(b.NodeState("Phase Inverse G1"), static_cast<int>(kPending));
  QVERIFY(b.Blue(reg));
  // Untouched rows stay as they were.
  QCOMPARE(b.setting(kFdxRecordRegisters[2]).changed, 0);
  const auto& passes = b.window->progressWindows().Captions();
  QVERIFY(std::find(passes.begin(), passes.end(), "Updating Setpoints") != passes.end());
}

void PlotWindowsTest::entryCheckClampsAndFades() {
  Bench b("", 0, QStringLiteral("fdx_defaults_110.xml"));
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<FeederPlotWindow&>(d);
    SpinEdit* box = w.numberBox(3);  // overload group 1 pickup
    const double min = ParseNumber(b.setting(kFdxRecordRegisters[3]).minText).value();
    const double max = ParseNumber(b.setting(kFdxRecordRegisters[3]).maxText).value();
    Type(box, QStringLiteral("-1000"));
    QCOMPARE(box->Value(), min);
    QVERIFY(w.entryMessage()->isVisible());
    QCOMPARE(w.entryMessage()->text(), QStringLiteral("Entered value was below minimum."));
    QCOMPARE(w.entryMessage()->height(), kEntryMessageHeight);
    QVERIFY(w.pending());
    Type(box, QStringLiteral("100000"));
    QCOMPARE(box->Value(), max);
    QCOMPARE(w.entryMessage()->text(), QStringLiteral("Entered value was above maximum."));
    // Shown for five seconds, then it shrinks away a pixel per tick.
    QTest::qWait(kEntryMessageShowMs - 1000);
    QCOMPARE(w.entryMessage()->height(), kEntryMessageHeight);
    QTRY_VERIFY_WITH_TIMEOUT(w.entryMessage()->height() < kEntryMessageHeight, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.entryMessage()->isVisible(), 3000);
    QCOMPARE(w.entryMessage()->height(), kEntryMessageHeight);
  });
}

void PlotWindowsTest::motorApplyWithWrongThenRightPassword() {
  Bench b("DRA", 197);
  QVERIFY(b.window->online());
  constexpr int kRow = 8;  // jam trip delay
  const int reg = kDraRecordRegisters[kRow];
  const std::string before = b.OnRelay(reg);
  std::string typed;
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<MotorPlotWindow&>(d);
    // The curve groups were ticked and read from the relay.
    QVERIFY(b.NodeState("Jam") > 0);
    const double v = w.numberBox(kRow)->Value();
    typed = FormatFixed(v + 1 <= ParseNumber(b.setting(reg).maxText).value() ? v + 1 : v - 1, 2);
    Type(w.numberBox(kRow), QString::fromStdString(typed));
    QVERIFY(w.pending());

    b.passwords.AddPassword("9999");
    QVERIFY(!w.ApplyChanges());
    QCOMPARE(b.dialogs.asked().back().caption, std::string("Save Error"));
    QCOMPARE(b.dialogs.asked().back().text, std::string("Not all settings were saved."));
    QVERIFY(w.pending());
    QCOMPARE(b.OnRelay(reg), before);

    b.passwords.AddPassword("1234");
    QVERIFY(w.ApplyChanges());
    QVERIFY(!w.pending());
  });
  QCOMPARE(ParseNumber(b.OnRelay(reg)), ParseNumber(typed));
  QCOMPARE(b.setting(reg).changed, 0);
  QCOMPARE(ParseNumber(b.setting(reg).value), ParseNumber(typed));
  // Applied: nothing handed back, nothing pending.
  QVERIFY(!b.window->session().PendingChanges());
  QVERIFY(!b.Blue(reg));
}

void PlotWindowsTest::feederApplyOnlineWritesEveryValue() {
  Bench b("FDX-50", 110);
  QVERIFY(b.window->online());
  constexpr int kRow = 13;  // phase definite time group 1 trip level
  const int reg = kFdxRecordRegisters[kRow];
  std::string typed;
  b.passwords.AddPassword("1234");
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<FeederPlotWindow&>(d);
    const double v = w.numberBox(kRow)->Value();
    typed = FormatFixed(v + 1 <= ParseNumber(b.setting(reg).maxText).value() ? v + 1 : v - 1, 2);
    Type(w.numberBox(kRow), QString::fromStdString(typed));
    QVERIFY(w.ApplyChanges());
    for (int row = 0; row < kFdxRecordRows; ++row) {
      const int x = kFdxRecordRegisters[static_cast<std::size_t>(row)];
      QCOMPARE(b.setting(x).changed, 0);
    }
  });
  QCOMPARE(ParseNumber(b.OnRelay(reg)), ParseNumber(typed));
  QVERIFY(!b.window->session().PendingChanges());
}

void PlotWindowsTest::pointsFileAndCustomCurve() {
  Bench b("", 0, QStringLiteral("fdx_defaults_110.xml"));
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("Protection_Curves.txt"));
  b.saveAnswer = dir.filePath(QStringLiteral("on_close.txt"));
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<FeederPlotWindow&>(d);
    w.amperesChoice()->setChecked(true);  // the custom curve's axis
    QVERIFY(!w.multiplesChoice()->isChecked());
    QCOMPARE(w.chart()->xAxis->label(), QStringLiteral("Current (A)"));
    // One element in group 1, none in group 2.
    for (int g = 0; g < 2; ++g)
      for (int e = 0; e < kFeederElements; ++e)
        w.tickBox(g, static_cast<FeederElement>(e))
            ->setChecked(g == 0 && static_cast<FeederElement>(e) == FeederElement::PhaseInverse);
    auto* custom = w.findChild<CustomCurvePage*>();
    custom->displaySwitch()->setChecked(true);
    w.pages()->setCurrentWidget(custom);
    // A click on the chart adds the point under the mouse.
    d.resize(1400, 900);
    QApplication::processEvents();
    const QPoint at(static_cast<int>(w.chart()->xAxis->coordToPixel(100)),
                    static_cast<int>(w.chart()->yAxis->coordToPixel(10)));
    QTest::mouseMove(w.chart(), at);
    QMouseEvent move(QEvent::MouseMove, at, w.chart()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w.chart(), &move);
    QVERIFY(w.coordinatesBox()->isVisible());
    QTest::mouseClick(w.chart(), Qt::LeftButton, {}, at);
    QCOMPARE(w.custom().rows().size(), std::size_t{1});
    QVERIFY(std::abs(ParseNumber(w.custom().rows()[0].key).value() - 100) < 5);
    // Not with the switch off.
    custom->displaySwitch()->setChecked(false);
    QVERIFY(!w.ClickChart(200, 1));
    custom->displaySwitch()->setChecked(true);
    w.custom().ClearAll();
    custom->AddPoint(100, 10);
    custom->AddPoint(1000, 0.5);
    // Edit the second point in the edit panel: the rest of the page waits,
    // Cancel changes nothing.
    custom->grid()->selectRow(1);
    for (QPushButton* b : custom->findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("Edit Point")) b->click();
    QVERIFY(custom->editPanel()->isVisible());
    QVERIFY(!custom->grid()->isEnabled());
    QVERIFY(!custom->keyBox()->isEnabled());
    QVERIFY(custom->editKeyBox()->isEnabled());
    QCOMPARE(custom->editPanel()->palette().color(QPalette::Button),
             QApplication::palette().color(QPalette::Button));
    QCOMPARE(custom->editKeyBox()->value(), 1000.0);
    QCOMPARE(custom->editTimeBox()->value(), 0.5);
    QVERIFY(!custom->BeginEdit(0));  // one edit at a time
    custom->editKeyBox()->setValue(70);
    custom->FinishEdit(false);
    QVERIFY(!custom->editPanel()->isVisible());
    QVERIFY(custom->grid()->isEnabled());
    QCOMPARE(w.custom().rows()[1].key, std::string("1000.00"));
    // OK: the point moves, the list stays in order, the add boxes and the
    // selection follow it.
    QVERIFY(custom->BeginEdit(1));
    custom->editKeyBox()->setValue(50);
    custom->editTimeBox()->setValue(2);
    custom->FinishEdit(true);
    QCOMPARE(w.custom().rows()[0].key, std::string("50.00"));
    QCOMPARE(w.custom().rows()[0].time, std::string("2.000"));
    QCOMPARE(w.custom().rows()[1].key, std::string("100.00"));
    QCOMPARE(custom->keyBox()->value(), 50.0);
    QCOMPARE(custom->timeBox()->value(), 2.0);
    QCOMPARE(custom->grid()->currentRow(), 0);
    QVERIFY(custom->keyBox()->isEnabled());
    QVERIFY(custom->BeginEdit(0));
    custom->editKeyBox()->setValue(1000);
    custom->FinishEdit(true);
    QCOMPARE(w.custom().rows()[1].key, std::string("1000.00"));
    QCOMPARE(custom->grid()->currentRow(), 1);
    const std::size_t before = w.custom().rows().size();
    custom->Interpolate();
    QVERIFY(w.custom().rows().size() > before);
    QCOMPARE(custom->grid()->rowCount(), static_cast<int>(w.custom().rows().size()));
    CheckChartMatches(w.chart(), {&w.custom().series()});

    w.pages()->setCurrentIndex(3);  // Group 1 Data Points
    Screenshot(d, QStringLiteral("plot_feeder_custom.png"));
    QVERIFY(w.WritePointsFile(path));
    const QStringList lines = ReadLines(path);
    std::vector<std::string> expected =
        FeederPointsFileLines(BuildPointsTable(1, w.settings(), w.view(), w.curves().axes),
                              BuildPointsTable(2, w.settings(), w.view(), w.curves().axes));
    for (const std::string& l : w.custom().SectionLines()) expected.push_back(l);
    QCOMPARE(lines.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i)
      QCOMPARE(lines[static_cast<qsizetype>(i)], QString::fromStdString(expected[i]));
    QCOMPARE(lines[0], QStringLiteral("Halvoren TRAXILON"));
    // Group 1: current, compilation and the one element; group 2 two columns.
    QCOMPARE(lines[3].count(QLatin1Char('\t')), 3);

    // Saved: closing asks nothing. A new point makes it unsaved again.
    custom->AddPoint(2000, 0.2);
    // The custom section can be read back in.
    CustomCurveList again(CustomCurveKind::Feeder);
    QVERIFY(again.Import(path.toStdString()).ok);
    QCOMPARE(again.rows().size(), before + (w.custom().rows().size() - before - 1));

    // A file that cannot be created says why.
    QVERIFY(!w.WritePointsFile(dir.filePath(QStringLiteral("no/such/folder/x.txt"))));
    QCOMPARE(b.dialogs.asked().back().caption, std::string("Save Error"));
  });
  // The unsaved point asks the question on close; Yes saves the points file.
  bool asked = false;
  for (const AskedMessage& m : b.dialogs.asked())
    asked = asked || m.caption == "Custom Curve Changes";
  QVERIFY(asked);
  QVERIFY(ReadLines(b.saveAnswer).contains(QStringLiteral("Custom Curve Data Points")));
  // The custom curve stays in the window for the next opening.
  b.Plot([&](QDialog& d) { QVERIFY(!static_cast<FeederPlotWindow&>(d).custom().rows().empty()); });
}

void PlotWindowsTest::exportedPictures() {
  Bench b("", 0, QStringLiteral("fdx_defaults_110.xml"));
  QTemporaryDir dir;
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<FeederPlotWindow&>(d);
    d.resize(1400, 900);
    QApplication::processEvents();
    for (const char* suffix : {"png", "svg", "pdf"}) {
      const QString path = dir.filePath(QStringLiteral("chart.") + QLatin1String(suffix));
      QString error;
      QVERIFY2(w.SaveChartAs(path, error), qPrintable(error));
      QVERIFY2(QFileInfo(path).size() > 10000, suffix);
    }
    const QImage png(dir.filePath(QStringLiteral("chart.png")));
    QCOMPARE(png.size(), w.chart()->size());
    QFile svg(dir.filePath(QStringLiteral("chart.svg")));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(svg.readAll().contains("<svg"));
    QFile pdf(dir.filePath(QStringLiteral("chart.pdf")));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QString error;
    QVERIFY(!w.SaveChartAs(dir.filePath(QStringLiteral("chart.bmp")), error));
    QVERIFY(!error.isEmpty());
  });
}

void PlotWindowsTest::printingToPdf() {
  Bench b("", 0, QStringLiteral("fdx_defaults_110.xml"));
  QTemporaryDir dir;
  const QString curves = dir.filePath(QStringLiteral("curves.pdf"));
  const QString points = dir.filePath(QStringLiteral("points.pdf"));
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<FeederPlotWindow&>(d);
    d.resize(1200, 800);
    QApplication::processEvents();
    QString target;
    bool cancel = false;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    w.choosePrinter = [&](QPrinter& p) {
      orientation = p.pageLayout().orientation();
      p.setOutputFormat(QPrinter::PdfFormat);
      p.setOutputFileName(target);
      return !cancel;
    };
    auto* apply = w.findChild<QPushButton*>(QStringLiteral("Apply_B"));
    const QSize size = w.size();

    // Cancelled: nothing printed, nothing changed.
    cancel = true;
    target = curves;
    QVERIFY(!w.PrintCurves());
    QVERIFY(!QFileInfo::exists(curves));
    cancel = false;

    // While printing, the parameters stand in a panel of copies in place of the pages.
    bool panelShown = false;
    QSize printedSize;
    bool waitShown = false;
    w.choosePrinter = [&](QPrinter& p) {
      orientation = p.pageLayout().orientation();
      p.setOutputFormat(QPrinter::PdfFormat);
      p.setOutputFileName(target);
      return true;
    };
    QObject::connect(w.chart(), &QCustomPlot::afterReplot, &w, [&] {
      if (w.printPanel() != nullptr && w.printPanel()->isVisible() && !w.pages()->isVisible())
        panelShown = true;
      if (w.printing()) {
        printedSize = printedSize.expandedTo(w.size());
        waitShown = w.printWait() != nullptr && w.printWait()->isVisible() &&
                    w.printWait()->windowTitle() == QStringLiteral("Printing...");
      }
    });
    QVERIFY(w.PrintCurves());
    QVERIFY(panelShown);
    // The picture is taken from the enlarged window, with the wait window up;
    // the wait window goes by itself once the printout is done.
    QVERIFY(waitShown);
    QVERIFY(printedSize.width() >= CurvePlotWindow::kPrintPicture.width());
    QVERIFY(printedSize.height() >= CurvePlotWindow::kPrintPicture.height());
    QVERIFY(!w.printing());
    QTRY_VERIFY_WITH_TIMEOUT(w.printWait() == nullptr, 2000);
    QVERIFY(w.printPanel() == nullptr);
    QVERIFY(w.pages()->isVisible());
    QCOMPARE(orientation, QPageLayout::Landscape);
    QVERIFY(QFileInfo(curves).size() > 10000);
    // The window looks exactly as before.
    QVERIFY(apply->isVisible());
    QVERIFY(w.titleBox()->isVisible());
    QVERIFY(!w.dateLabel()->isVisible());
    QVERIFY(!w.chart()->titleElement()->visible());
    QCOMPARE(w.size(), size);

    w.pages()->setCurrentIndex(3);  // Group 1 Data Points
    target = points;
    QVERIFY(w.PrintPoints());
    QCOMPARE(orientation, QPageLayout::Portrait);

    // A printer that cannot be opened, the window maximized: the error is
    // told, and the window comes back maximized at its size, controls shown.
    w.setWindowState(Qt::WindowMaximized);
    QApplication::processEvents();
    const QSize maximized = w.size();
    target = dir.filePath(QStringLiteral("no/such/folder/x.pdf"));
    printedSize = QSize();
    QVERIFY(!w.PrintCurves());
    QCOMPARE(b.dialogs.asked().back().caption, std::string("Printer Error"));
    QCOMPARE(b.dialogs.asked().back().text, std::string("There was an error printing."));
    QVERIFY(printedSize.width() >= CurvePlotWindow::kPrintPicture.width());
    QVERIFY(apply->isVisible());
    QVERIFY(w.windowState() & Qt::WindowMaximized);
    QCOMPARE(w.size(), maximized);
    QTRY_VERIFY_WITH_TIMEOUT(w.printWait() == nullptr, 2000);
    w.setWindowState(Qt::WindowNoState);
  });
  QCOMPARE(PrintedDate(QDate(2026, 9, 5)), QStringLiteral("Sept 5, 2026"));
  QCOMPARE(PrintedDate(QDate(2026, 6, 30)), QStringLiteral("June 30, 2026"));
  // The pages as the printer gets them, read back as text and as pictures.
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), points, QStringLiteral("-")});
  if (!text.waitForFinished(20000) || text.exitCode() != 0) QSKIP("pdftotext is not available");
  const QString printed = QString::fromUtf8(text.readAllStandardOutput());
  QVERIFY(printed.contains(QStringLiteral("Halvoren TRAXILON")));
  QVERIFY(printed.contains(QStringLiteral("Group 1 Data Points")));
  QVERIFY(printed.contains(QStringLiteral("All times are calculated values")));
  QVERIFY(printed.contains(QStringLiteral("Page 1")));
  QDir().mkpath(QStringLiteral(KVX_BINARY_DIR "/screenshots"));
  for (const QString& pdf : {curves, points}) {
    QProcess ppm;
    ppm.start(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-f"),
         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), pdf,
         QStringLiteral(KVX_BINARY_DIR "/screenshots/print_") + QFileInfo(pdf).baseName()});
    QVERIFY(ppm.waitForFinished(20000));
    QCOMPARE(ppm.exitCode(), 0);
  }
}

void PlotWindowsTest::printWaitWindow() {
  // The dots grow by one a tick up to the longest row, then start again.
  struct Case {
    int ticks, dots;
  } cases[] = {{0, 1}, {1, 2}, {25, 26}, {26, 1}, {52, 1}};
  for (const Case& c : cases) {
    QCOMPARE(PrintWaitWindow::WaitLine(c.ticks),
             QStringLiteral("Please Wait ") + QString(c.dots, QLatin1Char('.')));
  }
  bool printing = true;
  QPointer<PrintWaitWindow> wait = new PrintWaitWindow(nullptr, [&] { return printing; });
  wait->show();
  QCOMPARE(wait->windowTitle(), QStringLiteral("Printing..."));
  wait->Tick();
  wait->Tick();
  QCOMPARE(wait->waitText(), PrintWaitWindow::WaitLine(2));
  QVERIFY(wait->isVisible());
  // It goes by itself at the first tick after the printout.
  printing = false;
  QTRY_VERIFY_WITH_TIMEOUT(wait == nullptr, 2000);
}

// A bad CT primary / full-load current pair is told once; redraws for other
// reasons stay quiet until one of the two values changes again.
void PlotWindowsTest::ctRatioMessageOncePerChange() {
  Bench b("", 0, QStringLiteral("dra_defaults_190.xml"));
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<MotorPlotWindow&>(d);
    auto told = [&] {
      int n = 0;
      for (const auto& m : b.dialogs.asked()) n += m.caption == "Out of Range Error" ? 1 : 0;
      return n;
    };
    SpinEdit* ct = w.numberBox(9);
    SpinEdit* fla = w.numberBox(10);
    QCOMPARE(told(), 0);
    QVERIFY(ct->Min() <= 100 && ct->Max() >= 2000 && fla->Min() <= 1 && fla->Max() >= 100);
    Type(ct, QStringLiteral("100"));
    Type(fla, QStringLiteral("100"));
    QCOMPARE(told(), 0);
    Type(fla, QStringLiteral("1"));  // 100:1
    QCOMPARE(told(), 1);
    // Redraws that leave the pair alone: no new message.
    for (QCheckBox* tick : w.findChildren<QCheckBox*>()) tick->click();
    Type(w.thermalCapacityBox(), QStringLiteral("50"));
    Type(ct, QStringLiteral("100"));
    QCOMPARE(told(), 1);
    // Another bad value: told again; good, then bad once more: told again.
    Type(ct, QStringLiteral("2000"));
    QCOMPARE(told(), 2);
    Type(fla, QStringLiteral("100"));  // 20:1
    Type(ct, QStringLiteral("100"));
    QCOMPARE(told(), 2);
    Type(fla, QStringLiteral("1"));
    QCOMPARE(told(), 3);
  });
}

void PlotWindowsTest::userColoursEverywhere_data() {
  QTest::addColumn<QString>("file");
  QTest::newRow("motor") << QStringLiteral("dra_defaults_190.xml");
  QTest::newRow("feeder") << QStringLiteral("fdx_defaults_110.xml");
}

// Every kind of control takes its one of the four colours, in both windows,
// including the print panel built later and the motor's inset chart.
void PlotWindowsTest::userColoursEverywhere() {
  QFETCH(QString, file);
  Bench b("", 0, file);
  Preferences& prefs = b.window->preferences();
  prefs.backgroundColor = "clLime";
  prefs.formColor = "clTeal";
  prefs.editboxColor = "clAqua";
  prefs.fixedboxColor = "clYellow";
  const QColor panel(0x00, 0xFF, 0x00), form(0x00, 0x80, 0x80), edit(0x00, 0xFF, 0xFF),
      fixed(0xFF, 0xFF, 0x00);
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<CurvePlotWindow&>(d);
    QCOMPARE(w.palette().color(QPalette::Window), form);
    auto checkInside = [&](QWidget* root) {
      const auto boxes = root->findChildren<QGroupBox*>();
      QVERIFY(!boxes.isEmpty());
      for (QGroupBox* box : boxes) {
        QCOMPARE(box->palette().color(QPalette::Window), panel);
        QVERIFY(box->autoFillBackground());
      }
      for (QAbstractSpinBox* box : root->findChildren<QAbstractSpinBox*>())
        QCOMPARE(box->palette().color(QPalette::Base), edit);
      for (QComboBox* list : root->findChildren<QComboBox*>())
        QCOMPARE(list->palette().color(QPalette::Base), edit);
      // Number boxes (and the lines inside lists and spin boxes) edit colour,
      // read-only boxes the fixed-cell colour.
      for (QLineEdit* box : root->findChildren<QLineEdit*>())
        QCOMPARE(box->palette().color(QPalette::Base), box->isReadOnly() ? fixed : edit);
    };
    checkInside(&w);
    for (QTableWidget* grid : w.findChildren<QTableWidget*>()) {
      const bool custom = grid->objectName() == QStringLiteral("Custom_Grid");
      QCOMPARE(grid->palette().color(QPalette::Base), custom ? edit : panel);
      QCOMPARE(grid->horizontalHeader()->palette().color(QPalette::Button), fixed);
    }
    QCOMPARE(w.titleBox()->palette().color(QPalette::Base), edit);
    QCOMPARE(w.axisPanel()->palette().color(QPalette::Window), panel);
    auto* custom = w.findChild<CustomCurvePage*>();
    QVERIFY(custom != nullptr);
    QCOMPARE(custom->palette().color(QPalette::Window), form);
    // The picture shows them: a group box face in the panel colour.
    QGroupBox* first = w.findChildren<QGroupBox*>().front();
    if (first->isVisible()) {
      const QImage face = first->grab().toImage();
      // (the style shades the inside of the frame a little)
      const QColor seen = face.pixelColor(face.width() / 2, face.height() - 4);
      QVERIFY2(std::abs(seen.red() - panel.red()) + std::abs(seen.green() - panel.green()) +
                       std::abs(seen.blue() - panel.blue()) <
                   16,
               qPrintable(seen.name()));
    }
    if (auto* motor = dynamic_cast<MotorPlotWindow*>(&w)) {
      int readOnly = 0;
      for (QLineEdit* box : motor->findChildren<QLineEdit*>()) {
        if (!box->isReadOnly()) continue;
        ++readOnly;
        QCOMPARE(box->palette().color(QPalette::Base), fixed);
      }
      QCOMPARE(readOnly, 3);
      auto* trend = motor->findChild<QCheckBox*>(QStringLiteral("trend_CB"));
      QVERIFY(trend != nullptr);
      if (!trend->isChecked()) trend->click();
      QVERIFY(motor->chart()->trendRect() != nullptr);
      QCOMPARE(motor->chart()->trendRect()->backgroundBrush().color(), panel);
    } else {
      auto& feeder = static_cast<FeederPlotWindow&>(w);
      feeder.SetPrintLayout(true);
      QVERIFY(feeder.printPanel() != nullptr);
      checkInside(feeder.printPanel());
      feeder.SetPrintLayout(false);
    }
  });
}

void PlotWindowsTest::axisPanel() {
  Bench b("", 0, QStringLiteral("fdx_defaults_110.xml"));
  b.Plot([&](QDialog& d) {
    auto& w = static_cast<FeederPlotWindow&>(d);
    auto* print = w.findChild<QPushButton*>(QStringLiteral("Print_B"));
    w.OpenAxisPanel();
    QVERIFY(w.axisPanel()->isVisible());
    QVERIFY(!print->isEnabled());
    // The lists start at the decade at or below the limits in force.
    auto lists = w.axisPanel()->findChildren<QComboBox*>();
    QCOMPARE(lists.size(), 4);
    QCOMPARE(lists[0]->currentData().toDouble(),
             CurvePlotWindow::DecadeAtOrBelow(w.curves().axes.time.max));
    // An equal pair applies nothing and keeps the panel open.
    const ChartAxes before = w.curves().axes;
    lists[0]->setCurrentIndex(lists[0]->findData(100.0));
    lists[1]->setCurrentIndex(lists[1]->findData(100.0));
    w.ApplyAxisPanel();
    QVERIFY(w.axisPanel()->isVisible());
    QCOMPARE(w.chart()->yAxis->range().upper, before.time.max);
    // Maximum 100 and minimum 1000: the larger becomes the maximum.
    lists[1]->setCurrentIndex(lists[1]->findData(1000.0));
    lists[2]->setCurrentIndex(lists[2]->findData(10.0));
    lists[3]->setCurrentIndex(lists[3]->findData(1000.0));
    w.ApplyAxisPanel();
    QVERIFY(!w.axisPanel()->isVisible());
    QVERIFY(print->isEnabled());
    QCOMPARE(w.chart()->yAxis->range().lower, 100.0);
    QCOMPARE(w.chart()->yAxis->range().upper, 1000.0);
    QCOMPARE(w.chart()->xAxis->range().lower, 10.0);
    QCOMPARE(w.chart()->xAxis->range().upper, 1000.0);
  });
  struct Case {
    double limit, decade;
  } cases[] = {{2500000, 1000000}, {1000, 1000}, {999, 100}, {0.5, 0.1}, {0.1, 0.1}, {0.05, 0.01}};
  for (const Case& c : cases) QCOMPARE(CurvePlotWindow::DecadeAtOrBelow(c.limit), c.decade);
}

QTEST_MAIN(PlotWindowsTest)
#include "test_plot_windows.moc"
