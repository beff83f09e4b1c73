#pragma once
// MessageBoxDialog: the program's own modal message box (kinds 0 "OK", 1 "OK" +
// "Cancel", 4 "Yes" + "No"), and GuiUserDialogs, which puts the questions of
// the core sequences to the user through it.

#include <QDialog>
#include <QString>
#include <vector>

#include "shell/user_dialogs.h"

class QLabel;
class QPushButton;

namespace kvx {

class MessageBoxDialog : public QDialog {
  Q_OBJECT

 public:
  MessageBoxDialog(QWidget* owner, const QString& text, const QString& caption, MessageKind kind);

  QLabel* textLabel() const { return text_; }
  const std::vector<QPushButton*>& buttons() const { return buttons_; }
  // The button that closed the box; Cancel (kinds 1) or No (kind 4) or OK
  // (kind 0) when it was closed otherwise.
  MessageResult result() const { return result_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void AddButton(const QString& caption, MessageResult result);

  QLabel* text_;
  std::vector<QPushButton*> buttons_;
  MessageResult result_;
};

// Shows the message box modally and returns the button code (1, 2, 6 or 7).
int ShowMessage(QWidget* owner, const QString& text, const QString& caption, MessageKind kind);

class GuiUserDialogs : public UserDialogs {
 public:
  explicit GuiUserDialogs(QWidget* owner) : owner_(owner) {}
  MessageResult Ask(const std::string& caption, const std::string& text, MessageKind kind) override;

 private:
  QWidget* owner_;
};

// Centres `dialog` on `owner` (or on the screen without one).
void CentreOn(QWidget* dialog, QWidget* owner);

// Window flags for the program's small windows: a caption, no title-bar buttons.
Qt::WindowFlags FixedDialogFlags(bool stayOnTop);

}  // namespace kvx
