#pragma once
// Moving loaded settings onto another definition file of the same model:
// the settings of the setpoint groups are carried over register by register,
// and wherever that is not possible unchanged the setting is marked changed
// and its comment says why.

#include <functional>
#include <string>
#include <vector>

#include "setpoints/setting_store.h"

namespace kvx {

inline constexpr const char* kOutOfLimitsComment = "value not within limits";
inline constexpr const char* kNotConvertedComment = "failed to convert";

// What is kept of each of the 1501 settings before the new definitions load.
struct RevisionEntry {
  std::string setting;
  int typeCode = 0;
  std::string value;  // the working value, applied or not
  std::string comment;
};
std::vector<RevisionEntry> CopyForRevision(const SettingTable& settings);

enum class RevisionOutcome {
  CarriedOver,   // same type, within the new limits (or a text): value and comment kept
  OutOfLimits,   // same type, outside the new limits: value kept, marked
  NotConverted,  // another type, no setting before, or a value that is no number: new default
};

struct RevisionMark {
  int reg = 0;
  int group = 0;
  RevisionOutcome outcome = RevisionOutcome::CarriedOver;
};

// The outcome for one setting of the new definitions.
RevisionOutcome ConvertOutcome(const RevisionEntry& old, const SettingRecord& fresh);

// Converts the settings of the setpoint groups 0..99 of `fresh` (just loaded
// from the new definition file) from `old`; `progress` gets each group
// number. Marked settings get changed = 1. Returns every setting handled, in
// group and list order.
std::vector<RevisionMark> ConvertRevision(SettingStore& fresh,
                                          const std::vector<RevisionEntry>& old,
                                          const std::function<void(int group)>& progress = {});

}  // namespace kvx
