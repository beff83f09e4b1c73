#pragma once
// The "Metering" page: the meter grid and the temperature (RTD) grid beside
// it, drawn from the metering model after every snapshot of the poll. The
// grids keep their last values between snapshots; after a failed cycle the
// same values are drawn in red.

#include <QObject>

#include "app/frame/user_colors.h"
#include "shell/main_layout.h"

class QTableWidget;
class QWidget;

namespace kvx {

class MeteringModel;

class MeteringPageView : public QObject {
  Q_OBJECT

 public:
  MeteringPageView(QObject* owner, QWidget* page);

  QWidget* page() const { return page_; }
  QTableWidget* meterGrid() const { return meterGrid_; }
  QTableWidget* rtdGrid() const { return rtdGrid_; }
  void LayOut(const MainLayout& layout);
  void ApplyColors(const UserColors& colors);
  // Draws the model's rows: texts, red after a failed cycle, headings bold,
  // the value column in the Fixedbox colour, inactive temperature rows blank.
  void Render(const MeteringModel& model);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* page_;            // Metering_Tab
  QTableWidget* meterGrid_;  // Meter_Grid
  QTableWidget* rtdGrid_;    // RTD_Grid
  UserColors colors_;
};

}  // namespace kvx
