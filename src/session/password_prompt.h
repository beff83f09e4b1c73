#pragma once
// The two password dialogs a sequence needs: "Password Entry" (one masked
// text) and "Change Password" (current and new). The desktop program shows
// its dialogs, the command line answers from its options, tests from a list.

#include <deque>
#include <string>

namespace kvx {

// What the "Change Password" dialog hands back. Its Cancel button replaces
// the new password by kPasswordChangeCancelled; its OK closes only on a new
// password of exactly four characters (the dialog's own rule).
struct PasswordChange {
  std::string currentPassword;
  std::string newPassword;
};

inline constexpr const char* kPasswordChangeCancelled = "xxx";

class PasswordPrompt {
 public:
  virtual ~PasswordPrompt() = default;
  // The typed password; an empty text when the dialog was closed without OK.
  virtual std::string AskPassword() = 0;
  virtual PasswordChange AskPasswordChange() = 0;
};

// Answers from prepared lists and counts how often it was asked; once a list
// runs out it answers an empty password, or a cancelled change.
class ScriptedPasswordPrompt : public PasswordPrompt {
 public:
  explicit ScriptedPasswordPrompt(std::deque<std::string> passwords = {},
                                  std::deque<PasswordChange> changes = {})
      : passwords_(std::move(passwords)), changes_(std::move(changes)) {}

  std::string AskPassword() override {
    ++passwordAsks_;
    if (passwords_.empty()) return {};
    std::string answer = passwords_.front();
    passwords_.pop_front();
    return answer;
  }
  PasswordChange AskPasswordChange() override {
    ++changeAsks_;
    if (changes_.empty()) return {{}, kPasswordChangeCancelled};
    PasswordChange answer = changes_.front();
    changes_.pop_front();
    return answer;
  }

  void AddPassword(std::string text) { passwords_.push_back(std::move(text)); }
  int PasswordAsks() const { return passwordAsks_; }
  int ChangeAsks() const { return changeAsks_; }

 private:
  std::deque<std::string> passwords_;
  std::deque<PasswordChange> changes_;
  int passwordAsks_ = 0;
  int changeAsks_ = 0;
};

}  // namespace kvx
