#include "session/handed_over_front_end.h"

#include <string>

namespace kvx {

MessageResult HandedOverDialogs::Ask(const std::string& caption, const std::string& text,
                                     MessageKind kind) {
  MessageResult answer = MessageResult::Cancel;
  handover_.Run([&] { answer = target_.Ask(caption, text, kind); });
  return answer;
}

void HandedOverDialogs::Tell(const std::string& caption, const std::string& text) {
  handover_.Run([&] { target_.Tell(caption, text); });
}

std::string HandedOverPasswords::AskPassword() {
  std::string answer;
  handover_.Run([&] { answer = target_.AskPassword(); });
  return answer;
}

PasswordChange HandedOverPasswords::AskPasswordChange() {
  PasswordChange answer{{}, kPasswordChangeCancelled};
  handover_.Run([&] { answer = target_.AskPasswordChange(); });
  return answer;
}

void HandedOverProgress::Begin(std::string_view caption, int maximum) {
  const std::string text(caption);
  handover_.Run([&] { target_.Begin(text, maximum); });
}

void HandedOverProgress::Position(int position) {
  if (handover_.OnOwnerThread()) {
    target_.Position(position);
    return;
  }
  latest_.store(position);
  if (posted_.exchange(true)) return;  // the queued call shows the latest position
  if (!handover_.Post([this] {
        posted_.store(false);
        target_.Position(latest_.load());
      })) {
    posted_.store(false);
  }
}

void HandedOverProgress::End() {
  handover_.Run([&] { target_.End(); });
}

}  // namespace kvx
