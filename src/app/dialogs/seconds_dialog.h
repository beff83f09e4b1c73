#pragma once
// A small fixed dialog that asks for a period in whole seconds: one label,
// one spin edit with " s", OK and Cancel. The password timeout and the data
// log period are such dialogs.

#include <QDialog>

#include "app/frame/user_colors.h"

namespace kvx {

class SpinEdit;

struct SecondsDialogText {
  const char* objectName;
  const char* caption;
  const char* label;
};

class SecondsDialog : public QDialog {
  Q_OBJECT
 public:
  SecondsDialog(QWidget* owner, const UserColors& colors, const SecondsDialogText& text,
                double minSeconds, double maxSeconds, double seconds);
  SpinEdit* spin() const { return spin_; }
  // The value chosen with OK, in milliseconds.
  int Milliseconds() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  SpinEdit* spin_;
};

}  // namespace kvx
