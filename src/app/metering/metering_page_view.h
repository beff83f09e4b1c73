#pragma once
// The "Metering" page: the meter grid and the temperature (RTD) grid beside
// it. The metering poll fills them once it exists; until then they stand
// empty under their headers.

#include <QObject>

#include "app/frame/user_colors.h"
#include "shell/main_layout.h"

class QTableWidget;
class QWidget;

namespace kvx {

class MeteringPageView : public QObject {
  Q_OBJECT

 public:
  MeteringPageView(QObject* owner, QWidget* page);

  QWidget* page() const { return page_; }
  void LayOut(const MainLayout& layout);
  void ApplyColors(const UserColors& colors);

 private:
  QWidget* page_;            // Metering_Tab
  QTableWidget* meterGrid_;  // Meter_Grid
  QTableWidget* rtdGrid_;    // RTD_Grid
};

}  // namespace kvx
