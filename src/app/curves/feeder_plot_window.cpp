#include "app/curves/feeder_plot_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/controls/bw_spin_edit.h"
#include "app/curves/curve_chart.h"
#include "app/curves/custom_curve_page.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

struct ParameterBox {
  const char* caption;
  // record rows of group 1 and group 2, and the labels of the boxes
  std::array<int, 2> firstRow;
  std::array<const char*, 3> labels;
};

// The group boxes of a group page, each with its record rows.
constexpr std::array<ParameterBox, 6> kBoxes = {{
    {"Overload", {2, 4}, {"Time Constant", "Pickup", nullptr}},
    {"Phase Inverse", {6, 9}, {"Curve Type", "Time Muliplier", "Pickup"}},
    {"Phase Definite Time", {12, 14}, {"Trip Delay", "Trip Level", nullptr}},
    {"Earth Fault 3Io Inverse", {16, 19}, {"Curve Type", "Time Muliplier", "Pickup"}},
    {"Earth Fault 3Io Definite Time", {22, 24}, {"Trip Delay", "Trip Level", nullptr}},
    {"Earth Fault CT-Input Definite Time", {26, 28}, {"Trip Delay", "Trip Level", nullptr}},
}};

}  // namespace

FeederPlotWindow::FeederPlotWindow(QWidget* parent) : CurvePlotWindow(parent) {
  setObjectName(QStringLiteral("TFDX_PlotF"));
  setMinimumSize(750, 550);
  BuildFrame();
  UseDecadeLists(true);
  BuildSidePanel();
  BuildGroupPage(0);
  BuildGroupPage(1);
  customPage_ = new CustomCurvePage(custom_, pages_);
  AddPage(customPage_, QStringLiteral("Custom Curve"));
  BuildPointsPage(0);
  BuildPointsPage(1);
  pages_->setCurrentIndex(0);
  customPage_->changed = [this] { RebuildAndDraw(); };
  customPage_->save = [this] { SavePoints(); };
  customPage_->tell = [this](const std::string& c, const std::string& t) { Tell(c, t); };
  connect(pages_, &QTabWidget::currentChanged, this, [this] { OnPageChanged(); });
  resize(1400, 900);
}

FeederPlotWindow::~FeederPlotWindow() = default;

QCheckBox* FeederPlotWindow::tickBox(int group, FeederElement e) const {
  return ticks_[static_cast<std::size_t>(group)][static_cast<std::size_t>(e)];
}

void FeederPlotWindow::BuildSidePanel() {
  auto* grid = new QGridLayout(side_);
  grid->setContentsMargins(0, 0, 0, 0);
  auto ct = [this, grid](int row, const QString& caption, const char* name) {
    grid->addWidget(new QLabel(caption, side_), row, 0);
    SpinEdit* box = MakeNumberBox(side_);
    box->setObjectName(QString::fromLatin1(name));
    grid->addWidget(box, row, 1);
    return box;
  };
  numbers_[0] = ct(0, QStringLiteral("Phase CT Primary (Ip)"), "ct_primary_SE");
  numbers_[1] = ct(1, QStringLiteral("EF-CT Primary (Ie)"), "ef_ct_primary_SE");
  numbers_[0]->setPrecision(0);
  numbers_[1]->setPrecision(0);
  numbers_[0]->setIncrement(1);
  numbers_[1]->setIncrement(1);
  for (int g = 0; g < 2; ++g) {
    auto* box = new QGroupBox(QStringLiteral("Group %1").arg(g + 1), side_);
    box->setObjectName(QStringLiteral("group%1_GB").arg(g + 1));
    auto* v = new QGridLayout(box);
    for (int e = 0; e < kFeederElements; ++e) {
      auto* tick = new QCheckBox(
          QString::fromLatin1(ElementInfo(static_cast<FeederElement>(e)).tickText), box);
      tick->setObjectName(QStringLiteral("G%1_E%2_CB").arg(g + 1).arg(e));
      tick->setChecked(view_.ticked[static_cast<std::size_t>(g)][static_cast<std::size_t>(e)]);
      connect(tick, &QCheckBox::toggled, this, [this] { OnTicked(); });
      v->addWidget(tick, e, 0);
      ticks_[static_cast<std::size_t>(g)][static_cast<std::size_t>(e)] = tick;
      if (static_cast<FeederElement>(e) == FeederElement::Warm) {
        SpinEdit* warm = new SpinEdit(box);
        warm->setObjectName(QStringLiteral("warm%1_SE").arg(g + 1));
        warm->setPrecision(0);
        warm->setIncrement(1);
        warm->setUnits(QStringLiteral(" %"));
        warm->setFixedSize(64, 21);
        warm->setMin(1);
        warm->setMax(99);
        warm->setValue(view_.warmPercent[static_cast<std::size_t>(g)]);
        // The thermal state drawn is no setting of the relay: no pending change.
        connect(warm, &SpinEdit::OnChange, this, [this] { RebuildAndDraw(); });
        v->addWidget(warm, e, 1);
        warm_[static_cast<std::size_t>(g)] = warm;
      }
    }
    grid->addWidget(box, 2, g);
  }
  amperes_ = new QRadioButton(QStringLiteral("Current (A)"), side_);
  amperes_->setObjectName(QStringLiteral("amps_RB"));
  multiples_ = new QRadioButton(QStringLiteral("Multiples of CT Rating"), side_);
  multiples_->setObjectName(QStringLiteral("multiples_RB"));
  multiples_->setChecked(view_.multiplesOfCtRating);
  amperes_->setChecked(!view_.multiplesOfCtRating);
  grid->addWidget(amperes_, 3, 0);
  grid->addWidget(multiples_, 3, 1);
  connect(multiples_, &QRadioButton::toggled, this, [this](bool on) {
    view_.multiplesOfCtRating = on;
    RebuildAndDraw();
  });
}

void FeederPlotWindow::BuildGroupPage(int group) {
  // Six group boxes are taller than a small window's page: the page scrolls.
  auto* scroller = new QScrollArea(pages_);
  scroller->setObjectName(QStringLiteral("Group%1_Tab").arg(group + 1));
  scroller->setWidgetResizable(true);
  scroller->setFrameShape(QFrame::NoFrame);
  auto* page = new QWidget(scroller);
  auto* layout = new QVBoxLayout(page);
  layout->setSpacing(2);
  for (const ParameterBox& b : kBoxes) {
    auto* box = new QGroupBox(QString::fromLatin1(b.caption), page);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 2, 4, 2);
    int row = b.firstRow[static_cast<std::size_t>(group)];
    for (int i = 0; i < 3 && b.labels[static_cast<std::size_t>(i)] != nullptr; ++i, ++row) {
      grid->addWidget(new QLabel(QString::fromLatin1(b.labels[static_cast<std::size_t>(i)]), box),
                      i, 0);
      if (IsFdxCurveTypeRow(row)) {
        auto* list = new QComboBox(box);
        list->setObjectName(QStringLiteral("row%1_CB").arg(row));
        for (const char* name : kCurveTypeNames) list->addItem(QString::fromLatin1(name));
        connect(list, &QComboBox::activated, this, [this] {
          MarkPending();
          RebuildAndDraw();
        });
        lists_[static_cast<std::size_t>(row)] = list;
        grid->addWidget(list, i, 1);
      } else {
        SpinEdit* spin = MakeNumberBox(box);
        spin->setObjectName(QStringLiteral("row%1_SE").arg(row));
        numbers_[static_cast<std::size_t>(row)] = spin;
        grid->addWidget(spin, i, 1);
      }
    }
    layout->addWidget(box);
  }
  layout->addStretch(1);
  scroller->setWidget(page);
  AddPage(scroller, QStringLiteral("Group %1").arg(group + 1));
}

void FeederPlotWindow::BuildPointsPage(int group) {
  auto* page = new QWidget(pages_);
  page->setObjectName(QStringLiteral("Points%1_Tab").arg(group + 1));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(QString::fromLatin1(kPointsLabel), page));
  QTableWidget* grid = MakeGrid(page, QStringLiteral("Values%1_Grid").arg(group + 1));
  layout->addWidget(grid, 1);
  auto* print = new QPushButton(QStringLiteral("Print Points"), page);
  print->setAutoDefault(false);
  connect(print, &QPushButton::clicked, this, [this] { PrintPoints(); });
  layout->addWidget(print);
  auto* save = new QPushButton(QStringLiteral("Save Points"), page);
  save->setAutoDefault(false);
  connect(save, &QPushButton::clicked, this, [this] { SavePoints(); });
  layout->addWidget(save);
  grids_[static_cast<std::size_t>(group)] = grid;
  pointsPages_[static_cast<std::size_t>(group)] = page;
  AddPage(page, QStringLiteral("Group %1 Data Points").arg(group + 1));
}

void FeederPlotWindow::Open(FdxPlotData& record, const UserColors& colors) {
  record_ = &record;
  working_ = record;
  ClearPending();
  loading_ = true;
  for (int row = 0; row < kFdxRecordRows; ++row) {
    if (IsFdxCurveTypeRow(row)) {
      const auto index = ParseInteger(record.Value(row));
      lists_[static_cast<std::size_t>(row)]->setCurrentIndex(
          index && *index >= 0 && *index < 8 ? static_cast<int>(*index) : -1);
    } else {
      SetBoxRange(numbers_[static_cast<std::size_t>(row)], record.MinText(row), record.MaxText(row),
                  record.Value(row));
    }
  }
  for (int g = 0; g < 2; ++g) {
    view_.warmPercent[static_cast<std::size_t>(g)] = 50;
    warm_[static_cast<std::size_t>(g)]->setValue(50);
  }
  titleBox_->setText(QString::fromStdString(record.Title()));
  chart_->SetTitleText(titleBox_->text());
  ApplyWindowColors(colors);
  loading_ = false;
  RebuildAndDraw();
}

void FeederPlotWindow::ReadBoxes() {
  for (int row = 0; row < kFdxRecordRows; ++row) {
    if (IsFdxCurveTypeRow(row)) {
      const int index = lists_[static_cast<std::size_t>(row)]->currentIndex();
      if (index >= 0) working_.Value(row) = std::to_string(index);
    } else {
      working_.Value(row) = FormatFixed(numbers_[static_cast<std::size_t>(row)]->Value(), 2);
    }
  }
  settings_ = FeederSettingsFromRecord(working_);
  for (int g = 0; g < 2; ++g) {
    view_.warmPercent[static_cast<std::size_t>(g)] = warm_[static_cast<std::size_t>(g)]->Value();
    for (int e = 0; e < kFeederElements; ++e) {
      view_.ticked[static_cast<std::size_t>(g)][static_cast<std::size_t>(e)] =
          ticks_[static_cast<std::size_t>(g)][static_cast<std::size_t>(e)]->isChecked();
    }
  }
  view_.holdAxis = holdAxis_->isChecked();
  const int page = pages_->currentIndex();
  view_.page = page == pages_->indexOf(pointsPages_[0])   ? FeederPage::Group1Points
               : page == pages_->indexOf(pointsPages_[1]) ? FeederPage::Group2Points
                                                          : FeederPage::Other;
}

void FeederPlotWindow::RebuildAndDraw() {
  if (loading_ || record_ == nullptr) return;
  QElapsedTimer clock;
  clock.start();
  ReadBoxes();
  // The custom curve is in amperes: it has no place on the multiples axis.
  CurveSeries& custom = custom_.series();
  const bool customShown = custom.active;
  if (view_.multiplesOfCtRating) custom.active = false;
  curves_ = BuildCurves(settings_, view_, &custom);
  custom.active = customShown;
  view_.axes = curves_.axes;
  Draw();
  NoteRebuildTime(static_cast<double>(clock.nsecsElapsed()) / 1e6);
}

void FeederPlotWindow::Draw() {
  std::vector<const CurveSeries*> shown;
  for (const CurveSeries& s : curves_.series) shown.push_back(&s);
  CurveSeries custom = custom_.series();
  if (view_.multiplesOfCtRating) custom.active = false;
  shown.push_back(&custom);
  chart_->ShowSeries(shown);
  chart_->SetCurrentAxisTitle(view_.multiplesOfCtRating ? QStringLiteral("Multiples of CT Rating")
                                                        : QStringLiteral("Current (A)"));
  chart_->SetAxes(curves_.axes);
  chart_->SetAccuracyLegend(QString::fromStdString(curves_.legend));
  chart_->replot();
  if (curves_.pageTable) {
    FillGrid(grids_[view_.page == FeederPage::Group1Points ? 0 : 1], *curves_.pageTable);
  }
}

void FeederPlotWindow::OnTicked() {
  if (loading_) return;
  RebuildAndDraw();
}

void FeederPlotWindow::OnPageChanged() {
  if (loading_) return;
  RebuildAndDraw();
}

void FeederPlotWindow::SetHeldAxes(const ChartAxes& axes) {
  view_.axes = axes;
  curves_.axes = axes;
  view_.holdAxis = holdAxis_->isChecked();
}

void FeederPlotWindow::SetPrintLayout(bool printing) {
  if (!printing) {
    delete printPanel_;
    printPanel_ = nullptr;
    pages_->show();
    amperes_->show();
    multiples_->show();
    return;
  }
  ReadBoxes();
  printPanel_ = new QWidget(pages_->parentWidget());
  printPanel_->setObjectName(QStringLiteral("print_P"));
  auto* grid = new QGridLayout(printPanel_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
  int at = 0;
  for (int group = 0; group < 2; ++group) {
    for (const ParameterBox& b : kBoxes) {
      auto* box = new QGroupBox(
          QStringLiteral("%1 Group %2").arg(QString::fromLatin1(b.caption)).arg(group + 1),
          printPanel_);
      auto* lines = new QVBoxLayout(box);
      lines->setContentsMargins(4, 0, 4, 0);
      lines->setSpacing(0);
      int row = b.firstRow[static_cast<std::size_t>(group)];
      for (int i = 0; i < 3 && b.labels[static_cast<std::size_t>(i)] != nullptr; ++i, ++row) {
        QString value;
        if (IsFdxCurveTypeRow(row)) {
          value = lists_[static_cast<std::size_t>(row)]->currentText();
        } else {
          value = QString::fromStdString(working_.Value(row));
        }
        lines->addWidget(
            new QLabel(QStringLiteral("%1: %2").arg(
                           QString::fromLatin1(b.labels[static_cast<std::size_t>(i)]), value),
                       box));
      }
      grid->addWidget(box, at / 2, at % 2);
      ++at;
    }
  }
  if (custom_.series().active) {
    auto* shown = new QGroupBox(QStringLiteral("Custom Curve Displayed"), printPanel_);
    grid->addWidget(shown, at / 2, 0, 1, 2);
  }
  auto* column = qobject_cast<QVBoxLayout*>(pages_->parentWidget()->layout());
  if (column != nullptr) column->insertWidget(column->indexOf(pages_), printPanel_, 1);
  pages_->hide();
  amperes_->hide();
  multiples_->hide();
  PaintColors(printPanel_);
  printPanel_->show();
}

void FeederPlotWindow::CopyToRecord() {
  if (record_ == nullptr) return;
  ReadBoxes();
  for (int row = 0; row < kFdxRecordRows; ++row) record_->Value(row) = working_.Value(row);
}

PointsPrintout FeederPlotWindow::PointsToPrint() {
  ReadBoxes();
  const int group = view_.page == FeederPage::Group2Points ? 2 : 1;
  return {titleBox_->text(), QStringLiteral("Group %1 Data Points").arg(group),
          BuildPointsTable(group, settings_, view_, curves_.axes)};
}

std::vector<std::string> FeederPlotWindow::PointsFileLines() {
  ReadBoxes();
  const PointsTable g1 = BuildPointsTable(1, settings_, view_, curves_.axes);
  const PointsTable g2 = BuildPointsTable(2, settings_, view_, curves_.axes);
  std::vector<std::string> lines = FeederPointsFileLines(g1, g2);
  for (std::string& l : custom_.SectionLines()) lines.push_back(std::move(l));
  return lines;
}

}  // namespace kvx
