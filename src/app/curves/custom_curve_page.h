#pragma once
// CustomCurvePage: the "Custom Curve" page of both curve windows, over the
// custom point list of the curve model: the point grid, the display switch,
// adding a point, deleting, clearing, interpolating, importing and saving.

#include <QWidget>
#include <functional>
#include <vector>

class QCheckBox;
class QFrame;
class QDoubleSpinBox;
class QPushButton;
class QTableWidget;

namespace kvx {

class CustomCurveList;

class CustomCurvePage : public QWidget {
  Q_OBJECT

 public:
  CustomCurvePage(CustomCurveList& list, QWidget* parent = nullptr);

  // Shows the list as it stands.
  void Render();
  QCheckBox* displaySwitch() const { return display_; }
  QTableWidget* grid() const { return grid_; }
  void AddPoint(double key, double time);
  // A point clicked on the chart: added only within the add panel's limits.
  bool AddClickedPoint(double key, double time);
  void Interpolate();
  // "Edit Point" on grid row `row` (0 the first point): the edit panel opens
  // over the page with the point's values, the rest of the page disabled.
  // "OK" puts the panel's values in the point's place and into the add
  // boxes; "Cancel" changes nothing.
  bool BeginEdit(int row);
  void FinishEdit(bool ok);
  QFrame* editPanel() const { return editPanel_; }
  QDoubleSpinBox* editKeyBox() const { return editKey_; }
  QDoubleSpinBox* editTimeBox() const { return editTime_; }
  QDoubleSpinBox* keyBox() const { return key_; }
  QDoubleSpinBox* timeBox() const { return time_; }
  // Imports `path`; a refused file is told through `tell`.
  bool Import(const QString& path);

  // The list or the display switch changed: redraw the chart.
  std::function<void()> changed;
  // "Save": the window's points file.
  std::function<void()> save;
  // Asks for the file to import (tests answer it); empty for Cancel.
  std::function<QString()> askImportFile;
  std::function<void(const std::string& caption, const std::string& text)> tell;
  // Whether interpolation runs on logarithmic current.
  std::function<bool()> logarithmicCurrent = [] { return true; };

 private:
  void Changed();

  CustomCurveList& list_;
  QTableWidget* grid_ = nullptr;
  QCheckBox* display_ = nullptr;
  QDoubleSpinBox* key_ = nullptr;
  QDoubleSpinBox* time_ = nullptr;
  QFrame* editPanel_ = nullptr;
  QDoubleSpinBox* editKey_ = nullptr;
  QDoubleSpinBox* editTime_ = nullptr;
  std::vector<QWidget*> disabled_;  // what the open edit panel disabled
};

}  // namespace kvx
