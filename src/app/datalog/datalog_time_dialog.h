#pragma once
// "Datalog Time": the period of the data log, in whole seconds from 2 to 9999.

#include "app/dialogs/seconds_dialog.h"

namespace kvx {

class DatalogTimeDialog : public SecondsDialog {
  Q_OBJECT
 public:
  DatalogTimeDialog(QWidget* owner, const UserColors& colors, int periodMs, int minimumPeriodMs);
  // The period chosen with OK, in milliseconds.
  int PeriodMs() const { return Milliseconds(); }
};

}  // namespace kvx
