#include "session/curve_transfer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "comm/comm_error.h"
#include "session/working_state.h"
#include "setpoints/number_text.h"
#include "setpoints/register_values.h"

namespace kvx {
namespace {

constexpr std::array<std::string_view, 14> kFeederGroupNames = {
    "Overload G1",
    "Overload G2",
    "Phase Inverse G1",
    "Phase Inverse G2",
    "Phase Definite Time G1",
    "Phase Definite Time G2",
    "Earth Fault 3Io Inverse G1",
    "Earth Fault 3Io Inverse G2",
    "Earth Fault 3Io Definite Time G1",
    "Earth Fault 3Io Definite Time G2",
    "Earth Fault CT-Input Definite Time G1",
    "Earth Fault CT-Input Definite Time G2",
    "System Name",
    "System Ratings"};
constexpr std::array<std::string_view, 6> kMotorGroupNames = {
    "Overload", "Overcurrent", "Aux Overcurrent", "Jam", "System Name", "System Ratings"};

// The window writes numbers with two decimals; the relay answers "5" for
// "5.00". Numbers compare as numbers, everything else as text.
bool SameText(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const auto x = ParseNumber(a);
  const auto y = ParseNumber(b);
  return x && y && *x == *y;
}

}  // namespace

std::vector<int> CurveGroupNumbers(const SetpointTreeNode& tree, int family) {
  std::vector<int> groups;
  auto wanted = [family](const std::string& text) {
    if (family == 3) {
      return std::find(kFeederGroupNames.begin(), kFeederGroupNames.end(), text) !=
             kFeederGroupNames.end();
    }
    return std::find(kMotorGroupNames.begin(), kMotorGroupNames.end(), text) !=
           kMotorGroupNames.end();
  };
  auto visit = [&](const SetpointTreeNode& node, auto& self) -> void {
    if (node.groupNumber >= 0 && wanted(node.text)) groups.push_back(node.groupNumber);
    for (const SetpointTreeNode& child : node.children) self(child, self);
  };
  visit(tree, visit);
  return groups;
}

CurveApplyResult ApplyCurveValues(WorkingState& state,
                                  const std::vector<CurveRecordValue>& values) {
  CurveApplyResult result;
  if (!state.PasswordGate()) return result;
  result.passedGate = true;
  SettingTable& settings = state.Store().settings;
  const bool online = state.Online();
  std::size_t done = 0;
  for (; done < values.size(); ++done) {
    const CurveRecordValue& v = values[done];
    SettingRecord& s = settings.at(v.reg);
    if (!online) {
      s.value = v.value;
      s.readValue = v.value;
      s.changed = 0;
      continue;
    }
    if (state.StopRequested()) {
      result.stopped = true;
      break;
    }
    CommFailure why;
    if (!WriteSetting(state.Comm(), v.reg, s.typeCode, v.value, why)) {
      state.NoteExchange(why);
      result.reason = why.reason;
      break;
    }
    state.NoteExchange(why);
    std::string readBack;
    if (!ReadSetting(state.Comm(), v.reg, s.typeCode, readBack, why)) {
      state.NoteExchange(why);
      result.reason = "reading it back: " + why.reason;
      break;
    }
    state.NoteExchange(why);
    s.value = readBack;
    s.readValue = readBack;
    s.changed = 0;
    if (!SameText(v.value, readBack)) {
      result.mismatch = true;
      result.reason = "the relay holds " + readBack + " instead of " + v.value;
      // The relay's value is what is loaded now; the window's stays an edit.
      s.value = v.value;
      s.changed = 1;
      break;
    }
  }
  result.completed = static_cast<int>(done);
  result.ok = done == values.size();
  if (!result.ok) {
    result.failedRegister = values[done].reg;
    // What the relay did not confirm stays the user's edit.
    for (std::size_t i = done; i < values.size(); ++i) {
      SettingRecord& s = settings.at(values[i].reg);
      s.value = values[i].value;
      s.changed = SameText(s.value, s.readValue) ? 0 : 1;
      if (s.changed != 0) state.SetPendingChanges(true);
    }
  }
  state.SetUnsavedChanges(true);
  return result;
}

std::vector<int> HandBackCurveValues(SettingTable& settings,
                                     const std::vector<CurveRecordValue>& values) {
  std::vector<int> changed;
  for (const CurveRecordValue& v : values) {
    SettingRecord& s = settings.at(v.reg);
    // The window writes every number with two decimals: "5.00" for "5" is no edit.
    if (SameText(s.value, v.value)) continue;
    s.value = v.value;
    s.changed = 1;
    changed.push_back(v.reg);
  }
  return changed;
}

}  // namespace kvx
