#pragma once
// The Plot menu: "Plot Chart" opens the curve window of the loaded relay's
// family (the feeder window for family 3, the motor window for 1 and 2),
// fresh from the setting table, and takes its edits back as pending edits
// of the setpoint page when it closes. Each window is created at first use
// and kept, so that what the user set in it carries over.

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

#include "session/curve_transfer.h"

class QDialog;

namespace kvx {

class FeederPlotWindow;
class MainWindow;
class MotorPlotWindow;

class PlotCommands : public QObject {
  Q_OBJECT

 public:
  explicit PlotCommands(MainWindow& window);

  void PlotChart();
  // The windows once created (null before), for tests.
  FeederPlotWindow* feederWindow() const;
  MotorPlotWindow* motorWindow() const;
  // Run instead of the modal loop while set (tests that drive the window
  // themselves and then close it).
  std::function<void(QDialog& window)> showModal;

 private:
  void ReadCurveGroups(int family);
  bool Apply(const std::vector<CurveRecordValue>& values);
  void HandBack(const std::vector<CurveRecordValue>& values, int stepPerSetting);
  void Show(QDialog& window);

  MainWindow& window_;
  QPointer<FeederPlotWindow> feeder_;
  QPointer<MotorPlotWindow> motor_;
};

}  // namespace kvx
