#pragma once
// "Datalog Time": the period of the data log, in whole seconds from 2 to 9999.

#include <QDialog>

#include "app/frame/user_colors.h"

namespace kvx {

class SpinEdit;

class DatalogTimeDialog : public QDialog {
  Q_OBJECT
 public:
  DatalogTimeDialog(QWidget* owner, const UserColors& colors, int periodMs, int minimumPeriodMs);
  SpinEdit* spin() const { return spin_; }
  // The period chosen with OK, in milliseconds.
  int PeriodMs() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  SpinEdit* spin_;
};

}  // namespace kvx
