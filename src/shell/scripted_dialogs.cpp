#include "shell/scripted_dialogs.h"

namespace kvx {

MessageResult ScriptedDialogs::Ask(const std::string& caption, const std::string& text,
                                   MessageKind kind) {
  asked_.push_back({caption, text, kind});
  if (!answers_.empty()) {
    MessageResult answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  return kind == MessageKind::YesNo || kind == MessageKind::SaveDontSaveCancel ? MessageResult::Yes
                                                                               : MessageResult::Ok;
}

}  // namespace kvx
