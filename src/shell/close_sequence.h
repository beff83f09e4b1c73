#pragma once
// The question asked before the main window closes with unsaved changes.

#include <functional>

#include "shell/user_dialogs.h"

namespace kvx {

inline constexpr const char* kSetpointChangesCaption = "Setpoint Changes";
inline constexpr const char* kSaveChangesQuestion =
    "Do you wish to save your\ncurrent changes to a file?";

// True when the window may close. With anything unsaved (edits not applied,
// applied changes or comments not saved to a file; online too, as comments
// live only in the file) the user is asked Save / Don't Save / Cancel.
// "Save" runs `saveSetpointFile`, and the window stays when the changes are
// still unsaved afterwards (the save was cancelled or failed). "Don't Save"
// drops the changes; "Cancel" keeps the window open.
bool MayCloseWithChanges(bool& unsavedChanges, UserDialogs& dialogs,
                         const std::function<void()>& saveSetpointFile);

}  // namespace kvx
