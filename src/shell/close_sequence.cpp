#include "shell/close_sequence.h"

namespace kvx {

bool MayCloseWithChanges(bool& unsavedChanges, UserDialogs& dialogs,
                         const std::function<void()>& saveSetpointFile) {
  if (!unsavedChanges) return true;
  const MessageResult answer =
      dialogs.Ask(kSetpointChangesCaption, kSaveChangesQuestion, MessageKind::SaveDontSaveCancel);
  if (answer == MessageResult::Yes) {
    if (saveSetpointFile) saveSetpointFile();
    return !unsavedChanges;
  }
  if (answer != MessageResult::No) return false;
  unsavedChanges = false;
  return true;
}

}  // namespace kvx
