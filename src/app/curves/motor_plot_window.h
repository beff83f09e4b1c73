#pragma once
// MotorPlotWindow (objectName TDRA_PlotF): the motor relays' protection
// curves. The "Curve Select" tick boxes with the thermal capacity, the
// twelve set points with the trip levels in amperes, the custom curve page
// and the "Curve Data Points" page; the chart shows the cold and warm
// thermal curves, the three definite-time elements, the custom curve and the
// inset "Trend I^2t", on a linear or logarithmic current axis.

#include <QLineEdit>
#include <array>
#include <optional>
#include <utility>

#include "app/curves/curve_plot_window.h"
#include "curves/custom_curve.h"
#include "curves/motor_curves.h"

namespace kvx {

class CustomCurvePage;

class MotorPlotWindow : public CurvePlotWindow {
  Q_OBJECT

 public:
  explicit MotorPlotWindow(QWidget* parent = nullptr);
  ~MotorPlotWindow() override;

  void Open(DraPlotData& record, const UserColors& colors);

  const MotorCurves& curves() const { return curves_; }
  const MotorView& view() const { return view_; }
  const MotorSettings& settings() const { return settings_; }
  CustomCurveList& custom() { return custom_; }
  SpinEdit* numberBox(int row) const { return numbers_[static_cast<std::size_t>(row)]; }
  QCheckBox* tickBox(MotorElement e) const { return ticks_[static_cast<std::size_t>(e)]; }
  QCheckBox* trendBox() const { return trend_; }
  QCheckBox* logarithmicBox() const { return logarithmic_; }
  SpinEdit* thermalCapacityBox() const { return capacity_; }
  QTableWidget* pointsGrid() const { return grid_; }
  // Printing: "Set Points" on top, the other pages' tabs and the axis box hidden.
  void SetPrintLayout(bool printing) override;

 protected:
  void RebuildAndDraw() override;
  void CopyToRecord() override;
  std::vector<std::string> PointsFileLines() override;
  void MarkCustomSaved() override { custom_.MarkSaved(); }
  bool CustomUnsaved() const override { return custom_.HasUnsavedPoints(); }
  ChartAxes AxesInForce() const override { return curves_.axes; }
  void SetHeldAxes(const ChartAxes& axes) override;
  bool RestartsMessage() const override { return true; }
  PointsPrintout PointsToPrint() override {
    return {titleBox_->text(), QStringLiteral("Protection Curves"), curves_.table};
  }

 private:
  void BuildSidePanel();
  void BuildSetPointsPage();
  void BuildPointsPage();
  void ReadBoxes();
  void Draw();
  void OnLogarithmic(bool on);

  DraPlotData* record_ = nullptr;
  DraPlotData working_;
  MotorSettings settings_;
  MotorView view_;
  MotorCurves curves_;
  CustomCurveList custom_{CustomCurveKind::Motor};
  bool loading_ = false;
  bool logarithmicAxis_ = false;

  std::array<SpinEdit*, kDraRecordRows> numbers_{};
  std::array<QCheckBox*, kMotorElements> ticks_{};
  std::array<QLineEdit*, 3> amperes_{};
  QCheckBox* trend_ = nullptr;
  QCheckBox* customTick_ = nullptr;
  QCheckBox* logarithmic_ = nullptr;
  SpinEdit* capacity_ = nullptr;
  // The CT primary and full-load current the CT-ratio message was last shown
  // for: the message comes once per bad pair, not at every redraw.
  std::optional<std::pair<double, double>> ctRatioToldFor_;
  QTableWidget* grid_ = nullptr;
};

}  // namespace kvx
