#pragma once
// The ask/tell, password and progress interfaces of a front end, callable
// from the link worker: each call is handed over to the owner thread of
// `handover` and answered there by the front end's own implementation. On
// the owner thread itself the call goes straight through. Once the handover
// is closed (the window is going away) questions answer Cancel and password
// prompts an empty text, which every sequence treats as the user declining.

#include <atomic>

#include "session/handover.h"
#include "session/password_prompt.h"
#include "session/progress_sink.h"
#include "shell/user_dialogs.h"

namespace kvx {

class HandedOverDialogs : public UserDialogs {
 public:
  HandedOverDialogs(UserDialogs& target, Handover& handover)
      : target_(target), handover_(handover) {}
  MessageResult Ask(const std::string& caption, const std::string& text, MessageKind kind) override;
  void Tell(const std::string& caption, const std::string& text) override;

 private:
  UserDialogs& target_;
  Handover& handover_;
};

class HandedOverPasswords : public PasswordPrompt {
 public:
  HandedOverPasswords(PasswordPrompt& target, Handover& handover)
      : target_(target), handover_(handover) {}
  std::string AskPassword() override;
  PasswordChange AskPasswordChange() override;

 private:
  PasswordPrompt& target_;
  Handover& handover_;
};

// Begin and End wait for the owner thread (the window must exist before the
// first position and be gone after End); positions are posted without
// waiting and coalesced, so a fast loop costs the link nothing.
class HandedOverProgress : public ProgressSink {
 public:
  HandedOverProgress(ProgressSink& target, Handover& handover)
      : target_(target), handover_(handover) {}
  void Begin(std::string_view caption, int maximum) override;
  void Position(int position) override;
  void End() override;

 private:
  ProgressSink& target_;
  Handover& handover_;
  std::atomic<int> latest_{0};
  std::atomic<bool> posted_{false};
};

}  // namespace kvx
