#pragma once
// What passes between the setting table and a curve window: the groups the
// window needs listed (and read from the relay), "Apply Changes" of the
// window's values straight to the relay, and the hand-back of its edits as
// pending edits of the setpoint page.

#include <string>
#include <vector>

#include "setpoints/setpoint_tree.h"
#include "setpoints/setting_store.h"

namespace kvx {

class WorkingState;

// One row of a curve window's record: a register and the value text the
// window holds for it.
struct CurveRecordValue {
  int reg = 0;
  std::string value;
};

// The setpoint groups a curve window of `family` plots from (the element
// groups, "System Name" and "System Ratings"), as group numbers of the nodes
// of `tree` that carry one of their names.
std::vector<int> CurveGroupNumbers(const SetpointTreeNode& tree, int family);

struct CurveApplyResult {
  bool passedGate = false;
  bool ok = false;          // every value taken (online: written and read back equal)
  int completed = 0;        // rows done, in record order
  int failedRegister = -1;  // the register the apply stopped at
  bool mismatch = false;    // it was written but read back different
  bool stopped = false;     // cancelled before that register
  std::string reason;       // why the link failed, for a person
};

// The window's values go into the loaded settings and, online, to the relay
// in record order: write, read back, compare; the first failure stops the
// apply. A register the relay did not confirm keeps the window's value as a
// pending edit (drawn blue, applied or undone on the setpoint page) and its
// last confirmed value as the one read; it is never recorded as applied.
CurveApplyResult ApplyCurveValues(WorkingState& state, const std::vector<CurveRecordValue>& values);

// Every row whose value differs from the setting's value (numbers compared as
// numbers) takes the window's text and is marked changed. Returns those registers in row order.
std::vector<int> HandBackCurveValues(SettingTable& settings,
                                     const std::vector<CurveRecordValue>& values);

}  // namespace kvx
