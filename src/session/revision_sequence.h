#pragma once
// "Change File Revision": the loaded settings moved onto another definition
// file of the same model. The front end asks the un-applied changes question
// and lets the user choose the definition file first; the marks it gets back
// are what the setpoint page shows in blue.

#include <filesystem>
#include <vector>

#include "session/working_state.h"
#include "setpoints/revision_change.h"

namespace kvx {

struct RevisionResult {
  enum class Outcome {
    Changed,       // converted
    NoFileLoaded,  // "No File Loaded"
    Rejected,      // the file check refused (see `check`); nothing changed
    LoadFailed,    // "Error Loading File."
  } outcome = Outcome::NoFileLoaded;
  FileCheck check = FileCheck::Accept;
  std::vector<RevisionMark> marks;  // every setting handled
  int Marked() const;
};

inline constexpr const char* kRevisionReviewText =
    "Please review all conversion issues (in blue) and\npress Apply before saving new file.";

// Whether definitions are loaded; tells "No File Loaded" when not.
bool RevisionPossible(const WorkingState& state, UserDialogs& dialogs);

// Checks `definitionFile` against the loaded unit, loads it and converts the
// setpoint groups (progress "Converting Settings", position = group number).
// Marked settings leave pending changes set. The front end shows the
// review message (kRevisionReviewText, "Setpoint Review") once it has
// rendered the marks.
RevisionResult ChangeFileRevision(WorkingState& state, UserDialogs& dialogs,
                                  const std::filesystem::path& definitionFile,
                                  ProgressSink* progress = nullptr);

}  // namespace kvx
