#pragma once
// The question asked before the main window closes with unsaved changes.

#include <functional>

#include "shell/user_dialogs.h"

namespace kvx {

inline constexpr const char* kSetpointChangesCaption = "Setpoint Changes";
inline constexpr const char* kSaveChangesQuestion =
    "Do you wish to save your\ncurrent changes to a file?";

// True when the window may close. Offline with unsaved changes the user is
// asked; "Yes" runs `saveSetpointFile`, and the window stays when the changes
// are still unsaved afterwards (the save was cancelled or failed). "No"
// drops the changes. Online nothing is asked.
bool MayCloseWithChanges(bool& unsavedChanges, bool online, UserDialogs& dialogs,
                         const std::function<void()>& saveSetpointFile);

}  // namespace kvx
