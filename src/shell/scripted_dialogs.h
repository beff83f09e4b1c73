#pragma once
// UserDialogs that answer from a prepared list and remember every message,
// for the command line's --yes/--no answers and for tests.

#include <deque>
#include <string>
#include <vector>

#include "shell/user_dialogs.h"

namespace kvx {

struct AskedMessage {
  std::string caption;
  std::string text;
  MessageKind kind;
};

class ScriptedDialogs : public UserDialogs {
 public:
  // Answers are used in order; once they run out, every question gets the
  // first button of its kind (OK or Yes).
  explicit ScriptedDialogs(std::vector<MessageResult> answers = {})
      : answers_(answers.begin(), answers.end()) {}

  MessageResult Ask(const std::string& caption, const std::string& text, MessageKind kind) override;

  const std::vector<AskedMessage>& asked() const { return asked_; }

 private:
  std::deque<MessageResult> answers_;
  std::vector<AskedMessage> asked_;
};

}  // namespace kvx
