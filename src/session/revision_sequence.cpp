#include "session/revision_sequence.h"

namespace kvx {

int RevisionResult::Marked() const {
  int n = 0;
  for (const RevisionMark& m : marks) n += m.outcome != RevisionOutcome::CarriedOver ? 1 : 0;
  return n;
}

bool RevisionPossible(const WorkingState& state, UserDialogs& dialogs) {
  if (!state.View().unitText.empty()) return true;
  dialogs.Tell("No File Loaded",
               "A setpoint file must first be loaded\nbefore the revision can be changed.");
  return false;
}

RevisionResult ChangeFileRevision(WorkingState& state, UserDialogs& dialogs,
                                  const std::filesystem::path& definitionFile,
                                  ProgressSink* progress) {
  RevisionResult result;
  if (!RevisionPossible(state, dialogs)) return result;
  result.check = state.CheckFileAgainstUnit(definitionFile);
  if (result.check != FileCheck::Accept) {
    result.outcome = RevisionResult::Outcome::Rejected;
    return result;
  }
  const std::vector<RevisionEntry> old = CopyForRevision(state.Store().settings);
  if (!state.OpenSettingFile(definitionFile)) {
    result.outcome = RevisionResult::Outcome::LoadFailed;
    return result;
  }
  if (progress) progress->Begin("Converting Settings", kSetpointGroupLimit);
  result.marks = ConvertRevision(state.Store(), old, [&](int group) {
    if (progress) progress->Position(group);
  });
  if (progress) progress->End();
  if (result.Marked() > 0) state.SetPendingChanges(true);
  // The converted settings exist nowhere else yet.
  state.SetUnsavedChanges(true);
  result.outcome = RevisionResult::Outcome::Changed;
  return result;
}

}  // namespace kvx
