#pragma once
// "Saving Options": all settings (the default) or the displayed ones.

#include <QDialog>

#include "reports/setpoint_report.h"

class QRadioButton;

namespace kvx {

class SavingOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SavingOptionsDialog(QWidget* parent);
  // "OK" gives the choice; any other way out leaves all settings.
  ReportChoice Choice() const;
  QRadioButton* allButton() const { return all_; }
  QRadioButton* displayedButton() const { return displayed_; }

 private:
  QRadioButton* all_ = nullptr;
  QRadioButton* displayed_ = nullptr;
  bool confirmed_ = false;
};

}  // namespace kvx
