#pragma once
// Reads the settings of chosen groups from the relay into the loaded
// settings, setting by setting, for the report and the comparison with the
// relay. A failed read leaves the setting as it was and the pass goes on; a
// cancel stops it between two reads.

#include <string>
#include <string_view>
#include <vector>

#include "session/progress_sink.h"
#include "session/working_state.h"

namespace kvx {

struct GroupReadResult {
  int read = 0;                   // settings read
  std::vector<int> failed;        // registers whose read failed
  std::vector<int> failedGroups;  // the groups those belong to, once each
  bool stopped = false;           // cancelled before the end
  std::string reason;             // why the last failed read failed
  bool Complete() const { return failed.empty() && !stopped; }
};

// Reads into `target` (the loaded settings when null): a copy keeps the
// user's pending edits out of reach of a pass that only looks.
GroupReadResult ReadGroupsFromRelay(WorkingState& state, const std::vector<int>& groups,
                                    std::string_view caption, ProgressSink* progress = nullptr,
                                    SettingStore* target = nullptr);

// "Reading stopped: 40 of 120 settings read" / "3 settings could not be read".
std::string DescribeGroupRead(const GroupReadResult& result, int total);

}  // namespace kvx
