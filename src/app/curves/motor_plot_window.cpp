#include "app/curves/motor_plot_window.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/controls/bw_spin_edit.h"
#include "app/curves/curve_chart.h"
#include "app/curves/custom_curve_page.h"
#include "curves/feeder_curves.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr std::array<const char*, kDraRecordRows> kLabels = {
    "Locked-Rotor Current",       "Locked-Rotor Time Cold", "Locked-Rotor Time Hot",
    "Overcurrent Trip Level",     "Overcurrent Trip Delay", "Aux Overcurrent Trip Level",
    "Aux Overcurrent Trip Delay", "Jam Trip Level",         "Jam Trip Delay",
    "CT-Primay ( Ip )",           "FLA Rating #1",          "Service Factor"};
constexpr std::array<const char*, kMotorElements> kTickTexts = {
    "Cold Curve", "Warm Curve at", "Overcurrent", "Aux Overcurrent", "Jam"};

}  // namespace

MotorPlotWindow::MotorPlotWindow(QWidget* parent) : CurvePlotWindow(parent) {
  setObjectName(QStringLiteral("TDRA_PlotF"));
  setMinimumSize(750, 550);
  BuildFrame();
  BuildSidePanel();
  BuildSetPointsPage();
  customPage_ = new CustomCurvePage(custom_, pages_);
  AddPage(customPage_, QStringLiteral("Custom Curve"));
  BuildPointsPage();
  pages_->setCurrentIndex(0);
  customPage_->changed = [this] {
    customTick_->setChecked(custom_.series().active);
    RebuildAndDraw();
  };
  customPage_->save = [this] { SavePoints(); };
  customPage_->tell = [this](const std::string& c, const std::string& t) { Tell(c, t); };
  customPage_->logarithmicCurrent = [this] { return logarithmicAxis_; };

  chart_->SetCurrentAxisLogarithmic(false);
  logarithmic_ = new QCheckBox(QStringLiteral("Current Axis - Logarithmic Scale"), chart_);
  logarithmic_->setObjectName(QStringLiteral("log_axis_CB"));
  logarithmic_->adjustSize();
  logarithmic_->move(8, 4);
  connect(logarithmic_, &QCheckBox::toggled, this, [this](bool on) { OnLogarithmic(on); });
  resize(1400, 900);
}

MotorPlotWindow::~MotorPlotWindow() = default;

void MotorPlotWindow::BuildSidePanel() {
  auto* layout = new QVBoxLayout(side_);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* box = new QGroupBox(QStringLiteral("Curve Select"), side_);
  box->setObjectName(QStringLiteral("curve_select_GB"));
  auto* grid = new QGridLayout(box);
  for (int e = 0; e < kMotorElements; ++e) {
    auto* tick = new QCheckBox(QString::fromLatin1(kTickTexts[static_cast<std::size_t>(e)]), box);
    tick->setObjectName(QStringLiteral("E%1_CB").arg(e));
    tick->setChecked(view_.ticked[static_cast<std::size_t>(e)]);
    connect(tick, &QCheckBox::toggled, this, [this] { RebuildAndDraw(); });
    grid->addWidget(tick, e < 2 ? e : e + 1, 0);
    ticks_[static_cast<std::size_t>(e)] = tick;
  }
  capacity_ = MakeNumberBox(box);
  capacity_->setObjectName(QStringLiteral("capacity_SE"));
  capacity_->setPrecision(0);
  capacity_->setIncrement(1);
  capacity_->setUnits(QStringLiteral(" %"));
  SetBoxRange(capacity_, "1", "99", "50");
  grid->addWidget(capacity_, 1, 1);
  trend_ = new QCheckBox(QStringLiteral("Trend I^2t"), box);
  trend_->setObjectName(QStringLiteral("trend_CB"));
  trend_->setChecked(view_.trendTicked);
  connect(trend_, &QCheckBox::toggled, this, [this] { RebuildAndDraw(); });
  grid->addWidget(trend_, 2, 0);
  customTick_ = new QCheckBox(QStringLiteral("Custom"), box);
  customTick_->setObjectName(QStringLiteral("device1_CB"));
  connect(customTick_, &QCheckBox::toggled, this, [this](bool on) {
    custom_.series().active = on;
    customPage_->Render();
    RebuildAndDraw();
  });
  grid->addWidget(customTick_, 6, 0);
  layout->addWidget(box);
}

void MotorPlotWindow::BuildSetPointsPage() {
  auto* page = new QWidget(pages_);
  page->setObjectName(QStringLiteral("SetPoints_Tab"));
  auto* outer = new QVBoxLayout(page);
  auto* box = new QGroupBox(QStringLiteral("Set Points"), page);
  auto* grid = new QGridLayout(box);
  int ampereBox = 0;
  for (int row = 0; row < kDraRecordRows; ++row) {
    grid->addWidget(new QLabel(QString::fromLatin1(kLabels[static_cast<std::size_t>(row)]), box),
                    row, 0);
    SpinEdit* spin = MakeNumberBox(box);
    spin->setObjectName(QStringLiteral("row%1_SE").arg(row));
    numbers_[static_cast<std::size_t>(row)] = spin;
    grid->addWidget(spin, row, 1);
    if (row == 3 || row == 5 || row == 7) {  // the three trip levels
      auto* amps = new QLineEdit(box);
      amps->setObjectName(QStringLiteral("amps%1_E").arg(ampereBox));
      amps->setReadOnly(true);
      amps->setFixedWidth(80);
      grid->addWidget(amps, row, 2);
      amperes_[static_cast<std::size_t>(ampereBox++)] = amps;
    }
  }
  outer->addWidget(box);
  outer->addStretch(1);
  AddPage(page, QStringLiteral("Set Points"));
}

void MotorPlotWindow::BuildPointsPage() {
  auto* page = new QWidget(pages_);
  page->setObjectName(QStringLiteral("Points_Tab"));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(QString::fromLatin1(kPointsLabel), page));
  grid_ = MakeGrid(page, QStringLiteral("Values_Grid"));
  layout->addWidget(grid_, 1);
  auto* print = new QPushButton(QStringLiteral("Print Points"), page);
  print->setAutoDefault(false);
  connect(print, &QPushButton::clicked, this, [this] { PrintPoints(); });
  layout->addWidget(print);
  auto* save = new QPushButton(QStringLiteral("Save Points"), page);
  save->setAutoDefault(false);
  connect(save, &QPushButton::clicked, this, [this] { SavePoints(); });
  layout->addWidget(save);
  AddPage(page, QStringLiteral("Curve Data Points"));
}

void MotorPlotWindow::Open(DraPlotData& record, const UserColors& colors) {
  record_ = &record;
  working_ = record;
  ctRatioToldFor_.reset();  // each opening tells its own
  ClearPending();
  loading_ = true;
  for (int row = 0; row < kDraRecordRows; ++row) {
    SetBoxRange(numbers_[static_cast<std::size_t>(row)], record.MinText(row), record.MaxText(row),
                record.Value(row));
  }
  titleBox_->setText(QString::fromStdString(record.Title()));
  chart_->SetTitleText(titleBox_->text());
  ApplyWindowColors(colors);
  loading_ = false;
  RebuildAndDraw();
}

void MotorPlotWindow::ReadBoxes() {
  for (int row = 0; row < kDraRecordRows; ++row) {
    working_.Value(row) = FormatFixed(numbers_[static_cast<std::size_t>(row)]->Value(), 2);
  }
  settings_ = MotorSettingsFromRecord(working_);
  for (int e = 0; e < kMotorElements; ++e)
    view_.ticked[static_cast<std::size_t>(e)] = ticks_[static_cast<std::size_t>(e)]->isChecked();
  view_.trendTicked = trend_->isChecked();
  view_.thermalCapacity = capacity_->Value();
  view_.holdAxis = holdAxis_->isChecked();
  custom_.SetFla(settings_.fla);
}

void MotorPlotWindow::RebuildAndDraw() {
  if (loading_ || record_ == nullptr) return;
  QElapsedTimer clock;
  clock.start();
  ReadBoxes();
  const CtRatioCheck check = BuildMotorCurves(settings_, view_, curves_, &custom_.series());
  const std::pair<double, double> ratio{settings_.ctPrimary, settings_.fla};
  if (check.ok) {
    ctRatioToldFor_.reset();
  } else if (ctRatioToldFor_ != ratio) {
    ctRatioToldFor_ = ratio;
    std::string text;
    for (const std::string& l : check.lines) text += (text.empty() ? "" : "\n") + l;
    Tell(check.caption, text);
  }
  if (logarithmicAxis_ && !view_.holdAxis) curves_.axes.current.min = 100;
  view_.axes = curves_.axes;
  Draw();
  NoteRebuildTime(static_cast<double>(clock.nsecsElapsed()) / 1e6);
}

void MotorPlotWindow::Draw() {
  std::vector<const CurveSeries*> shown;
  for (const CurveSeries& s : curves_.series) shown.push_back(&s);
  shown.push_back(&custom_.series());
  chart_->ShowSeries(shown);
  chart_->ShowTrend(&curves_.trend);
  chart_->SetCurrentAxisTitle(QStringLiteral("Percent Full-Load Current"));
  chart_->xAxis->setTickLabelRotation(-45);
  chart_->SetAxes(curves_.axes);
  chart_->SetAccuracyLegend(QString::fromStdString(curves_.legend));
  chart_->replot();
  for (std::size_t i = 0; i < amperes_.size(); ++i)
    amperes_[i]->setText(QString::fromStdString(curves_.ampereTexts[i]));
  FillGrid(grid_, curves_.table);
}

void MotorPlotWindow::OnLogarithmic(bool on) {
  logarithmicAxis_ = on;
  chart_->SetCurrentAxisLogarithmic(on);
  RebuildAndDraw();
}

void MotorPlotWindow::SetHeldAxes(const ChartAxes& axes) {
  view_.axes = axes;
  curves_.axes = axes;
  view_.holdAxis = holdAxis_->isChecked();
}

void MotorPlotWindow::SetPrintLayout(bool printing) {
  for (int i = 1; i < pages_->count(); ++i) pages_->setTabVisible(i, !printing);
  pages_->setCurrentIndex(0);  // and "Set Points" on top afterwards too
  logarithmic_->setVisible(!printing);
}

void MotorPlotWindow::CopyToRecord() {
  if (record_ == nullptr) return;
  ReadBoxes();
  for (int row = 0; row < kDraRecordRows; ++row) record_->Value(row) = working_.Value(row);
}

std::vector<std::string> MotorPlotWindow::PointsFileLines() {
  std::vector<std::string> lines = MotorPointsFileLines(curves_.table);
  for (std::string& l : custom_.SectionLines()) lines.push_back(std::move(l));
  return lines;
}

}  // namespace kvx
