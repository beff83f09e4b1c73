#include "app/window_dialogs.h"

#include <QApplication>

#include "app/message_box.h"
#include "app/password_dialogs.h"
#include "app/progress_window.h"

namespace kvx {

MessageResult WindowDialogs::Ask(const std::string& caption, const std::string& text,
                                 MessageKind kind) {
  if (script_) return script_->Ask(caption, text, kind);
  return static_cast<MessageResult>(
      ShowMessage(owner_, QString::fromStdString(text), QString::fromStdString(caption), kind));
}

std::string WindowPasswords::AskPassword() {
  if (script_) return script_->AskPassword();
  return AskPasswordEntry(owner_, colors_());
}

PasswordChange WindowPasswords::AskPasswordChange() {
  if (script_) return script_->AskPasswordChange();
  return AskChangePassword(owner_, colors_());
}

WindowProgress::~WindowProgress() {
  End();
}

void WindowProgress::Begin(std::string_view caption, int maximum) {
  End();
  captions_.emplace_back(caption);
  window_ = new TProgressF(owner_, maximum, QString::fromUtf8(caption.data(), caption.size()));
  window_->show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WindowProgress::Position(int position) {
  if (window_) window_->setPosition(position);
}

void WindowProgress::End() {
  if (window_) {
    window_->hide();
    delete window_;
  }
}

}  // namespace kvx
