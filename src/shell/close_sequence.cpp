#include "shell/close_sequence.h"

namespace kvx {

bool MayCloseWithChanges(bool& unsavedChanges, bool online, UserDialogs& dialogs,
                         const std::function<void()>& saveSetpointFile) {
  if (!unsavedChanges || online) return true;
  MessageResult answer =
      dialogs.Ask(kSetpointChangesCaption, kSaveChangesQuestion, MessageKind::YesNo);
  if (answer == MessageResult::Yes) {
    if (saveSetpointFile) saveSetpointFile();
    return !unsavedChanges;
  }
  unsavedChanges = false;
  return true;
}

}  // namespace kvx
