#include "setpoints/revision_change.h"

#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr int kTextType = 22;  // free text: there are no limits to check

}  // namespace

std::vector<RevisionEntry> CopyForRevision(const SettingTable& settings) {
  std::vector<RevisionEntry> copy;
  copy.reserve(static_cast<std::size_t>(kSettingCount));
  for (const SettingRecord& s : settings)
    copy.push_back({s.setting, s.typeCode, s.value, s.comment});
  return copy;
}

RevisionOutcome ConvertOutcome(const RevisionEntry& old, const SettingRecord& fresh) {
  if (old.setting.empty() || old.typeCode != fresh.typeCode) return RevisionOutcome::NotConverted;
  if (old.typeCode == kTextType) return RevisionOutcome::CarriedOver;
  const auto value = ParseNumber(old.value);
  const auto min = ParseNumber(fresh.minText);
  const auto max = ParseNumber(fresh.maxText);
  // A value that reads as no number cannot be held against the limits, and
  // the relay would not take it either: the new default is used and marked.
  if (!value || !min || !max) return RevisionOutcome::NotConverted;
  if (*value < *min || *value > *max) return RevisionOutcome::OutOfLimits;
  return RevisionOutcome::CarriedOver;
}

std::vector<RevisionMark> ConvertRevision(SettingStore& fresh,
                                          const std::vector<RevisionEntry>& old,
                                          const std::function<void(int group)>& progress) {
  std::vector<RevisionMark> marks;
  if (old.size() != static_cast<std::size_t>(kSettingCount)) return marks;
  for (int g = 0; g < kSetpointGroupLimit; ++g) {
    const SettingGroup& group = fresh.groups[g];
    if (group.name.empty()) continue;
    if (progress) progress(g);
    for (int x : group.RegisterList()) {
      if (x < 0 || x >= kSettingCount) continue;
      SettingRecord& s = fresh.settings[x];
      // The placeholder of a group without settings is no setting.
      if (s.setting.empty()) continue;
      const RevisionEntry& o = old[static_cast<std::size_t>(x)];
      const RevisionOutcome outcome = ConvertOutcome(o, s);
      switch (outcome) {
        case RevisionOutcome::CarriedOver:
          s.value = o.value;
          s.comment = o.comment;
          break;
        case RevisionOutcome::OutOfLimits:
          s.value = o.value;
          s.comment = kOutOfLimitsComment;
          break;
        case RevisionOutcome::NotConverted:
          s.comment = kNotConvertedComment;
          break;
      }
      if (outcome != RevisionOutcome::NotConverted) {
        s.readValue = o.value;
        s.readComment = o.comment;
      }
      s.changed = outcome == RevisionOutcome::CarriedOver ? s.changed : 1;
      marks.push_back({x, g, outcome});
    }
  }
  return marks;
}

}  // namespace kvx
