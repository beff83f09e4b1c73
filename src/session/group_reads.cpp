#include "session/group_reads.h"

#include <algorithm>

#include "setpoints/register_values.h"

namespace kvx {

GroupReadResult ReadGroupsFromRelay(WorkingState& state, const std::vector<int>& groups,
                                    std::string_view caption, ProgressSink* progress,
                                    SettingStore* target) {
  GroupReadResult result;
  SettingStore& store = target ? *target : state.Store();
  if (progress) progress->Begin(caption, static_cast<int>(groups.size()));
  int step = 0;
  for (int g : groups) {
    if (g < 0 || g >= kGroupCount || result.stopped) continue;
    if (progress) progress->Position(step++);
    const SettingGroup& group = store.groups[g];
    if (group.name.empty()) continue;
    for (int x : group.RegisterList()) {
      if (x < 0 || x >= kSettingCount) continue;
      SettingRecord& s = store.settings[x];
      if (s.setting.empty()) continue;  // an empty group's placeholder
      if (state.StopRequested()) {
        result.stopped = true;
        break;
      }
      std::string value;
      CommFailure why;
      const bool ok = ReadSetting(state.Comm(), x, s.typeCode, value, why);
      state.NoteExchange(why);
      if (!ok) {
        result.failed.push_back(x);
        result.reason = why.reason;
        if (std::find(result.failedGroups.begin(), result.failedGroups.end(), g) ==
            result.failedGroups.end())
          result.failedGroups.push_back(g);
        continue;
      }
      s.value = value;
      s.readValue = value;
      s.readComment = s.comment;
      ++result.read;
    }
  }
  if (progress) progress->End();
  return result;
}

std::string DescribeGroupRead(const GroupReadResult& result, int total) {
  if (result.stopped)
    return "Reading stopped: " + std::to_string(result.read) + " of " + std::to_string(total) +
           " settings read";
  if (!result.failed.empty())
    return std::to_string(result.failed.size()) + " of " + std::to_string(total) +
           " settings could not be read" +
           (result.reason.empty() ? "" : " (" + result.reason + ")");
  return {};
}

}  // namespace kvx
