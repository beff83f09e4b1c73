#pragma once
// FeederPlotWindow (objectName TFDX_PlotF): the feeder relays' protection
// curves. The parameters of both setting groups, the CT primaries, the
// element tick boxes and warm percentages of each group, the current-axis
// choice, the two Data Points pages and the custom curve page; the chart
// shows the fourteen element bands and the custom curve of the model.

#include <array>

#include "app/curves/curve_plot_window.h"
#include "curves/custom_curve.h"
#include "curves/feeder_curves.h"

class QRadioButton;

namespace kvx {

class CustomCurvePage;

class FeederPlotWindow : public CurvePlotWindow {
  Q_OBJECT

 public:
  explicit FeederPlotWindow(QWidget* parent = nullptr);
  ~FeederPlotWindow() override;

  // Loads `record` (kept by reference for this opening) into the boxes and
  // builds the curves; the pending flag starts at 0.
  void Open(FdxPlotData& record, const UserColors& colors);

  const FeederCurves& curves() const { return curves_; }
  const FeederView& view() const { return view_; }
  const FeederSettings& settings() const { return settings_; }
  CustomCurveList& custom() { return custom_; }
  // The box or list of record row `row`.
  SpinEdit* numberBox(int row) const { return numbers_[static_cast<std::size_t>(row)]; }
  QComboBox* curveTypeList(int row) const { return lists_[static_cast<std::size_t>(row)]; }
  QCheckBox* tickBox(int group, FeederElement e) const;
  SpinEdit* warmBox(int group) const { return warm_[static_cast<std::size_t>(group)]; }
  QRadioButton* multiplesChoice() const { return multiples_; }
  QRadioButton* amperesChoice() const { return amperes_; }
  QTableWidget* pointsGrid(int group) const { return grids_[static_cast<std::size_t>(group)]; }
  // Printing: the print panel with copies of every parameter in place of the pages.
  void SetPrintLayout(bool printing) override;
  QWidget* printPanel() const { return printPanel_; }

 protected:
  void RebuildAndDraw() override;
  void CopyToRecord() override;
  std::vector<std::string> PointsFileLines() override;
  void MarkCustomSaved() override { custom_.MarkSaved(); }
  bool CustomUnsaved() const override { return custom_.HasUnsavedPoints(); }
  ChartAxes AxesInForce() const override { return curves_.axes; }
  void SetHeldAxes(const ChartAxes& axes) override;
  bool RestartsMessage() const override { return false; }
  PointsPrintout PointsToPrint() override;

 private:
  void BuildGroupPage(int group);
  void BuildSidePanel();
  void BuildPointsPage(int group);
  void ReadBoxes();
  void Draw();
  void OnTicked();
  void OnPageChanged();

  FdxPlotData* record_ = nullptr;
  FdxPlotData working_;
  FeederSettings settings_;
  FeederView view_;
  FeederCurves curves_;
  CustomCurveList custom_{CustomCurveKind::Feeder};
  bool loading_ = false;

  std::array<SpinEdit*, kFdxRecordRows> numbers_{};
  std::array<QComboBox*, kFdxRecordRows> lists_{};
  std::array<std::array<QCheckBox*, kFeederElements>, 2> ticks_{};
  std::array<SpinEdit*, 2> warm_{};
  std::array<QTableWidget*, 2> grids_{};
  std::array<QWidget*, 2> pointsPages_{};
  QWidget* printPanel_ = nullptr;
  QRadioButton* amperes_ = nullptr;
  QRadioButton* multiples_ = nullptr;
};

}  // namespace kvx
