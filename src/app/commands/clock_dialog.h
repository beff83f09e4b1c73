#pragma once
// "System Time": how to set the relay's clock. Don't Update (the start),
// To Local Time (the workstation's time, shown live) or To Chosen Time (six
// spin edits). Its answer is the clock text, empty for nothing to set.

#include <QDialog>
#include <QString>
#include <array>

#include "app/frame/user_colors.h"

class QLineEdit;
class QRadioButton;
class QTimer;

namespace kvx {

class SpinEdit;

class ClockDialog : public QDialog {
  Q_OBJECT

 public:
  ClockDialog(QWidget* owner, const UserColors& colors);

  // The text the dialog stands for now: empty for Don't Update.
  QString ClockTextNow() const;
  QRadioButton* localButton() const { return local_; }
  QRadioButton* chosenButton() const { return chosen_; }
  QRadioButton* noUpdateButton() const { return noUpdate_; }
  // Year, month, day, hour, minute, second.
  SpinEdit* field(int i) const { return fields_[static_cast<std::size_t>(i)]; }
  QLineEdit* localTime() const { return localTime_; }

  // Shows the dialog modally over `owner`; the text, or empty.
  static QString Ask(QWidget* owner, const UserColors& colors);

 private:
  void ShowLocalTime();

  QRadioButton* local_;
  QRadioButton* chosen_;
  QRadioButton* noUpdate_;
  QLineEdit* localTime_;
  std::array<SpinEdit*, 6> fields_{};
  QTimer* tick_;
};

}  // namespace kvx
