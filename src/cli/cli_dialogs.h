#pragma once
// The command line's answers to the core's questions, passwords and
// progress: messages go to stderr; with --yes every question is answered
// with its first button (Yes or OK), otherwise it is refused (No or Cancel)
// and the command ends with kExitQuestionRefused.

#include <ostream>
#include <string>
#include <vector>

#include "session/password_prompt.h"
#include "session/progress_sink.h"
#include "shell/user_dialogs.h"

namespace kvx {
struct SettingStore;
}

namespace kvx::cli {

class CliDialogs : public UserDialogs {
 public:
  CliDialogs(std::ostream& err, bool answerYes) : err_(err), answerYes_(answerYes) {}
  MessageResult Ask(const std::string& caption, const std::string& text, MessageKind kind) override;
  bool Refused() const { return refused_; }

 private:
  std::ostream& err_;
  bool answerYes_;
  bool refused_ = false;
};

// The passwords given on the command line.
class CliPasswords : public PasswordPrompt {
 public:
  CliPasswords(std::string password, std::string newPassword = kPasswordChangeCancelled)
      : password_(std::move(password)), newPassword_(std::move(newPassword)) {}
  std::string AskPassword() override { return password_; }
  PasswordChange AskPasswordChange() override { return {password_, newPassword_}; }

 private:
  std::string password_;
  std::string newPassword_;
};

// A line per group for the group passes, or a bar when stderr is a terminal.
class StderrProgress : public ProgressSink {
 public:
  // `store`: the settings the passes go over; their groups are counted so
  // that a line says how far the pass has come ("group 3 of 12").
  StderrProgress(std::ostream& err, bool terminal, const SettingStore* store = nullptr)
      : err_(err), terminal_(terminal), store_(store) {}
  void Begin(std::string_view caption, int maximum) override;
  void Position(int position) override;
  void End() override;

 private:
  std::ostream& err_;
  bool terminal_;
  const SettingStore* store_;
  std::vector<int> groups_;  // the group numbers a setpoint pass steps, in order
  std::string caption_;
  int maximum_ = 0;
  int shown_ = -1;  // last position or percentage printed
};

}  // namespace kvx::cli
