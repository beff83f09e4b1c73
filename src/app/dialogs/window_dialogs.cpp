#include "app/dialogs/window_dialogs.h"

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>

#include "app/dialogs/message_box.h"
#include "app/dialogs/password_dialogs.h"
#include "app/dialogs/progress_window.h"

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

ProgressDialog* WindowProgress::window() const {
  return window_;
}

WindowProgress::~WindowProgress() {
  End();
}

void WindowProgress::Begin(std::string_view caption, int maximum) {
  End();
  captions_.emplace_back(caption);
  if (statusBar_ && caption == "Applying Changes") {
    inStatusBar_ = true;
    statusBar_->setRange(0, maximum);
    statusBar_->setValue(0);
    return;
  }
  window_ = new ProgressDialog(owner_, maximum, QString::fromUtf8(caption.data(), caption.size()));
  QObject::connect(window_, &ProgressDialog::cancelRequested, window_, [this] {
    if (onCancel) onCancel();
  });
  window_->cancelButton()->setVisible(cancelShown);
  window_->show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void WindowProgress::Position(int position) {
  if (inStatusBar_) {
    statusBar_->setValue(position);
    // Repaint now and then so the bar moves during the long loop.
    if (position % 100 == 0) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return;
  }
  if (window_) window_->setPosition(position);
}

void WindowProgress::End() {
  if (inStatusBar_) {
    inStatusBar_ = false;
    statusBar_->setValue(0);
  }
  if (window_) {
    window_->hide();
    delete window_;
  }
}

}  // namespace kvx
