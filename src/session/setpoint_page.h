#pragma once
// The setpoint page as plain data: the tree with its selection states, the
// grid rows of the ticked groups, the edits and their marks, apply, undo and
// refresh. The window's tree and grid widgets render it and forward clicks
// and typed values to it; nothing here knows a widget.

#include <functional>
#include <string>
#include <vector>

#include "session/working_state.h"
#include "setpoints/setpoint_tree.h"

namespace kvx {

// Selection states of tree nodes (their picture): none, ticked, listed,
// holding pending changes; for folders, holding a listed group or a warning.
enum NodeState : int {
  kNoState = -1,
  kUnticked = 0,
  kToRead = 1,
  kListed = 2,
  kPending = 3,
  kFolderListed = 4,
  kFolderWarning = 5,
};

// A grid row: a group's heading, one of its settings, or the empty row that
// closes the group.
enum class RowKind { Heading, Setting, Blank };

struct SetpointRow {
  RowKind kind = RowKind::Blank;
  int reg = -1;          // the setting's register; -1 on heading and empty rows
  bool changed = false;  // edited and not yet written and verified (drawn blue)
  std::string name;      // heading: the group's name; setting: its name, indented
  std::string value;     // the value as the user reads it
  std::string units;
  std::string comment;
};

// A node's place in the tree: child indices from the root (empty: the root).
using NodePath = std::vector<int>;

inline constexpr const char* kBelowMinimumNotice = "Entered value was below minimum.";
inline constexpr const char* kAboveMaximumNotice = "Entered value was above maximum.";
inline constexpr const char* kReadErrorText = "Error Reading from Unit";
inline constexpr const char* kWriteErrorText = "Error writing Setpoint";

// The spin edit's limits for a number setting: one beyond the definition's
// on each side, so that typing just past a limit is caught and corrected.
struct SpinLimits {
  double min = 0;
  double max = 0;
};
SpinLimits SpinLimitsFor(const SettingRecord& setting);

// The entries the list editor offers: the type's options up to index maxText.
std::vector<std::string> ListEntriesFor(const SettingRecord& setting);

class SetpointPage {
 public:
  explicit SetpointPage(WorkingState& state) : state_(state) {}

  // Takes the tree of the definitions just loaded; nothing is ticked.
  void Reset();
  const SetpointTreeNode& Tree() const { return tree_; }
  const SetpointTreeNode* Node(const NodePath& path) const;
  const std::vector<SetpointRow>& Rows() const { return rows_; }
  // The grid row of register `x`, or -1 when it is not listed.
  int RowOf(int x) const;
  bool GridStale() const { return gridStale_; }
  void SetGridStale() { gridStale_ = true; }
  const std::string& WriteErrorText() const { return writeError_; }

  // A click on a node: 0 -> 1, 2 -> 0, other states unchanged. True when
  // the state changed.
  bool Toggle(const NodePath& path);
  void SelectAll();
  void SelectNone();

  // Lists the ticked groups, reading those waiting to be read when online.
  // A read that fails leaves the setting as it was and unticks its group
  // ("Error Reading from Unit"). `progress` gets positions 0..100 (the group
  // number) and may repaint.
  void Rebuild(const std::function<void(int)>& progress = {});

  // Edits of the four editors. Each returns whether the setting was marked
  // changed; `notice` gets the out-of-range text when the spin value was
  // corrected to a limit (and `corrected` the value the spin edit shows).
  bool EditNumber(int x, double typed, std::string& notice, double& corrected);
  bool EditListIndex(int x, int index);
  bool EditText(int x, const std::string& text);  // marks even when unchanged
  bool EditComment(int x, const std::string& text);

  void MarkGroupChanged(int x);
  void RefreshChangeMarks();

  // Apply (only with pending changes), Undo Pending Changes, Refresh.
  ApplyResult Apply();
  void Undo();
  void Refresh();

 private:
  void Mark(int x);
  void FillSettingRow(int x, SetpointRow& row) const;
  void ForEachNode(const std::function<void(SetpointTreeNode&, SetpointTreeNode*)>& visit);

  WorkingState& state_;
  SetpointTreeNode tree_;
  std::vector<SetpointRow> rows_;
  std::string writeError_;
  bool gridStale_ = false;
  bool keepApplyError_ = false;
};

}  // namespace kvx
