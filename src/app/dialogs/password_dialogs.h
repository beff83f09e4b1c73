#pragma once
// The password dialogs of the main window: "Password Entry" (the gate asks
// it), "Password Timeout" (the grace period) and "Change Password".

#include <QDialog>
#include <string>

#include "app/dialogs/seconds_dialog.h"
#include "app/frame/user_colors.h"
#include "session/password_prompt.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kvx {

class SpinEdit;

class PasswordEntryDialog : public QDialog {
  Q_OBJECT
 public:
  PasswordEntryDialog(QWidget* owner, const UserColors& colors);
  QLineEdit* edit() const { return edit_; }
  // The typed text after OK or Enter; empty when closed otherwise.
  std::string Answer() const { return accepted_ ? answer_ : std::string(); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLineEdit* edit_;
  std::string answer_;
  bool accepted_ = false;
};

class PasswordTimeoutDialog : public SecondsDialog {
  Q_OBJECT
 public:
  PasswordTimeoutDialog(QWidget* owner, const UserColors& colors, int timeoutMs);
  // The timeout chosen with OK, in milliseconds.
  int TimeoutMs() const { return Milliseconds(); }
};

// Shown when the new password and its confirmation differ.
inline constexpr const char* kPasswordsDifferText =
    "The new passwords differ: type the same one twice";

class ChangePasswordDialog : public QDialog {
  Q_OBJECT
 public:
  ChangePasswordDialog(QWidget* owner, const UserColors& colors);
  QLineEdit* currentEdit() const { return current_; }
  QLineEdit* newEdit() const { return new_; }
  QLineEdit* confirmEdit() const { return confirm_; }
  QCheckBox* limitBox() const { return limit_; }
  QLabel* lengthLabel() const { return lengthLabel_; }
  QLabel* mismatchLabel() const { return mismatchLabel_; }
  PasswordChange Answer() const;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TryOk();

  QLineEdit* current_;
  QLineEdit* new_;
  QLineEdit* confirm_;
  QCheckBox* limit_;
  QLabel* lengthLabel_;
  QLabel* mismatchLabel_;
  bool cancelled_ = true;
};

std::string AskPasswordEntry(QWidget* owner, const UserColors& colors);
PasswordChange AskChangePassword(QWidget* owner, const UserColors& colors);

}  // namespace kvx
