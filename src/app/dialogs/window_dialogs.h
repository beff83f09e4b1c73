#pragma once
// How the main window answers the core sequences: questions and messages in
// MessageBoxDialog, passwords in the two password dialogs, progress in ProgressDialog.
// A test hands in its own UserDialogs or PasswordPrompt so that no modal
// window waits for a hand that is not there.

#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "app/frame/user_colors.h"
#include "session/password_prompt.h"
#include "session/progress_sink.h"
#include "shell/user_dialogs.h"

class QProgressBar;
class QWidget;

namespace kvx {

class ProgressDialog;

class WindowDialogs : public UserDialogs {
 public:
  explicit WindowDialogs(QWidget* owner) : owner_(owner) {}
  MessageResult Ask(const std::string& caption, const std::string& text, MessageKind kind) override;
  void Script(UserDialogs* script) { script_ = script; }

 private:
  QWidget* owner_;
  UserDialogs* script_ = nullptr;
};

class WindowPasswords : public PasswordPrompt {
 public:
  WindowPasswords(QWidget* owner, std::function<UserColors()> colors)
      : owner_(owner), colors_(std::move(colors)) {}
  std::string AskPassword() override;
  PasswordChange AskPasswordChange() override;
  void Script(PasswordPrompt* script) { script_ = script; }

 private:
  QWidget* owner_;
  std::function<UserColors()> colors_;
  PasswordPrompt* script_ = nullptr;
};

// One progress window per pass; none is left behind when a pass ends. The
// apply of the setpoint page shows its progress in the status bar instead.
class WindowProgress : public ProgressSink {
 public:
  WindowProgress(QWidget* owner, QProgressBar* statusBar) : owner_(owner), statusBar_(statusBar) {}
  ~WindowProgress() override;
  void Begin(std::string_view caption, int maximum) override;
  void Position(int position) override;
  void End() override;
  // The captions of every pass, for tests.
  const std::vector<std::string>& Captions() const { return captions_; }
  // Cancel (or Escape) on a progress window.
  std::function<void()> onCancel;
  bool cancelShown = false;  // a sequence that can stop runs now
  ProgressDialog* window() const;

 private:
  QWidget* owner_;
  QProgressBar* statusBar_;
  bool inStatusBar_ = false;
  QPointer<ProgressDialog> window_;
  std::vector<std::string> captions_;
};

}  // namespace kvx
