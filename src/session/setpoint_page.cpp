#include "session/setpoint_page.h"

#include <algorithm>

#include "setpoints/format_value.h"
#include "setpoints/number_text.h"
#include "setpoints/option_list.h"
#include "setpoints/register_values.h"

namespace kvx {
namespace {

bool Ticked(int state) {
  return state == kToRead || state == kListed || state == kPending;
}

void Restore(SettingRecord& s) {
  s.comment = s.readComment;
  s.value = s.readValue;
  s.changed = 0;
}

}  // namespace

SpinLimits SpinLimitsFor(const SettingRecord& setting) {
  return {ParseNumber(setting.minText).value_or(0) - 1,
          ParseNumber(setting.maxText).value_or(0) + 1};
}

std::vector<std::string> ListEntriesFor(const SettingRecord& setting) {
  std::vector<std::string> entries;
  for (std::string_view line : OptionLines(setting.typeCode)) entries.emplace_back(line);
  const long long last = ParseInteger(setting.maxText).value_or(0);
  // Entries past maxText are choices this relay does not have.
  const long long keep = std::max<long long>(1, last + 1);
  if (static_cast<long long>(entries.size()) > keep) entries.resize(static_cast<std::size_t>(keep));
  return entries;
}

void SetpointPage::Reset() {
  tree_ = state_.Tree();
  rows_.clear();
  writeError_.clear();
  gridStale_ = true;
}

const SetpointTreeNode* SetpointPage::Node(const NodePath& path) const {
  const SetpointTreeNode* node = &tree_;
  for (int i : path) {
    if (i < 0 || i >= static_cast<int>(node->children.size())) return nullptr;
    node = &node->children[static_cast<std::size_t>(i)];
  }
  return node;
}

int SetpointPage::RowOf(int x) const {
  for (std::size_t r = 0; r < rows_.size(); ++r) {
    if (rows_[r].kind == RowKind::Setting && rows_[r].reg == x) return static_cast<int>(r);
  }
  return -1;
}

void SetpointPage::ForEachNode(
    const std::function<void(SetpointTreeNode&, SetpointTreeNode*)>& visit) {
  // Each node before its children, children in order; the root has no parent.
  std::function<void(SetpointTreeNode&, SetpointTreeNode*)> walk = [&](SetpointTreeNode& node,
                                                                       SetpointTreeNode* parent) {
    visit(node, parent);
    for (SetpointTreeNode& child : node.children) walk(child, &node);
  };
  walk(tree_, nullptr);
}

bool SetpointPage::Toggle(const NodePath& path) {
  gridStale_ = true;
  auto* node = const_cast<SetpointTreeNode*>(Node(path));
  if (!node || node->groupNumber < 0) return false;
  if (node->state == kUnticked) {
    node->state = kToRead;
    return true;
  }
  if (node->state == kListed) {
    node->state = kUnticked;
    return true;
  }
  return false;  // waiting to be read, or holding changes: stays ticked
}

void SetpointPage::SelectAll() {
  ForEachNode([](SetpointTreeNode& n, SetpointTreeNode*) {
    if (n.groupNumber >= 0 && n.state == kUnticked) n.state = kToRead;
  });
}

void SetpointPage::SelectNone() {
  ForEachNode([](SetpointTreeNode& n, SetpointTreeNode*) {
    if (n.groupNumber >= 0 && (n.state == kToRead || n.state == kListed)) n.state = kUnticked;
  });
}

void SetpointPage::FillSettingRow(int x, SetpointRow& row) const {
  const SettingRecord& s = state_.Store().settings[x];
  row = SetpointRow{.kind = RowKind::Setting,
                    .reg = x,
                    .changed = s.changed == 1,
                    .name = "   " + s.setting,
                    .value = FormatValue(s.typeCode, s.value),
                    .units = s.units,
                    .comment = s.comment};
}

void SetpointPage::Rebuild(const std::function<void(int)>& progress) {
  // The rebuild that follows an apply keeps its message standing.
  if (!keepApplyError_) writeError_.clear();
  keepApplyError_ = false;
  rows_.clear();
  if (progress) progress(0);
  SettingStore& store = state_.Store();
  const bool online = state_.Online();
  int toRead = 0;
  int read = 0;
  bool stopped = false;
  if (online) {
    ForEachNode([&](SetpointTreeNode& node, SetpointTreeNode*) {
      if (node.groupNumber >= 0 && node.state == kToRead) ++toRead;
    });
  }
  ForEachNode([&](SetpointTreeNode& node, SetpointTreeNode* parent) {
    if (node.state == kFolderListed || node.state == kFolderWarning) node.state = kNoState;
    if (node.groupNumber < 0 || !Ticked(node.state)) return;
    // Stopped: the groups not read yet stay ticked, waiting to be read, and
    // are not listed with values the relay has not confirmed.
    if (node.state == kToRead && online && (stopped || state_.StopRequested())) {
      stopped = true;
      return;
    }
    const SettingGroup& group = store.groups.at(node.groupNumber);
    const std::size_t groupStart = rows_.size();
    SetpointRow heading;
    heading.kind = RowKind::Heading;
    heading.name = group.name;
    rows_.push_back(heading);
    for (int x : group.RegisterList()) {
      if (x < 0 || x >= kSettingCount) continue;
      SettingRecord& s = store.settings[x];
      // A group without settings holds one placeholder entry: nothing to read
      // or list.
      if (s.setting.empty()) continue;
      if (node.state == kToRead && online && state_.StopRequested()) {
        stopped = true;
        break;
      }
      if (node.state == kToRead && online) {
        // A failed read carries no value: the setting keeps the one it has.
        std::string value;
        CommFailure why;
        const bool answered = ReadSetting(state_.Comm(), x, s.typeCode, value, why);
        state_.NoteExchange(why);
        if (!answered) {
          node.state = kUnticked;
          writeError_ = kReadErrorText;
        } else if (s.changed != 1) {
          // What the relay holds is what Undo and Refresh go back to.
          s.value = value;
          s.readValue = value;
        }
      }
      if (Ticked(node.state)) {
        SetpointRow row;
        FillSettingRow(x, row);
        rows_.push_back(row);
      }
      if (progress) progress(node.groupNumber);
    }
    if (stopped) {
      rows_.resize(groupStart);
      return;
    }
    rows_.push_back(SetpointRow{});
    if (node.state == kToRead) {
      node.state = kListed;
      if (online) ++read;
    }
    if (parent && parent != &tree_) {
      parent->state = (node.state == kListed && parent->state < kFolderWarning) ? kFolderListed
                                                                                : kFolderWarning;
    }
  });
  if (progress) progress(0);
  if (stopped) {
    writeError_ = "Reading stopped: " + std::to_string(read) + " of " + std::to_string(toRead) +
                  " groups read";
  }
  gridStale_ = false;
}

void SetpointPage::Mark(int x) {
  SettingRecord& s = state_.Store().settings[x];
  s.changed = 1;
  const int row = RowOf(x);
  if (row >= 0) FillSettingRow(x, rows_[static_cast<std::size_t>(row)]);
  MarkGroupChanged(x);
  state_.SetPendingChanges(true);
}

bool SetpointPage::EditNumber(int x, double typed, std::string& notice, double& corrected) {
  SettingRecord& s = state_.Store().settings[x];
  const SpinLimits limits = SpinLimitsFor(s);
  notice.clear();
  corrected = typed;
  if (typed < limits.min + 1) {
    corrected = limits.min + 1;
    notice = kBelowMinimumNotice;
  } else if (typed > limits.max - 1) {
    corrected = limits.max - 1;
    notice = kAboveMaximumNotice;
  }
  const std::string text = FormatFixed(corrected, 2);
  if (text == s.value) return false;
  s.value = text;
  Mark(x);
  return true;
}

bool SetpointPage::EditListIndex(int x, int index) {
  SettingRecord& s = state_.Store().settings[x];
  const std::string text = std::to_string(index);
  if (text == s.value) return false;
  s.value = text;
  Mark(x);
  return true;
}

bool SetpointPage::EditText(int x, const std::string& text) {
  state_.Store().settings[x].value = text;
  Mark(x);
  return true;
}

bool SetpointPage::EditComment(int x, const std::string& text) {
  SettingRecord& s = state_.Store().settings[x];
  if (text == s.comment) return false;
  s.comment = text;
  Mark(x);
  return true;
}

void SetpointPage::MarkGroupChanged(int x) {
  const std::string& group = state_.Store().settings[x].group;
  ForEachNode([&](SetpointTreeNode& node, SetpointTreeNode* parent) {
    if (node.groupNumber < 0 || node.text != group) return;
    node.state = kPending;
    if (parent && parent != &tree_) parent->state = kFolderWarning;
  });
}

void SetpointPage::RefreshChangeMarks() {
  ForEachNode([](SetpointTreeNode& n, SetpointTreeNode*) {
    if (n.state == kPending) n.state = kListed;
    if (n.state == kFolderWarning) n.state = kFolderListed;
  });
  state_.SetPendingChanges(false);
  for (int x = 0; x < kSettingCount; ++x) {
    if (state_.Store().settings[x].changed == 1) {
      state_.SetPendingChanges(true);
      MarkGroupChanged(x);
    }
  }
}

ApplyResult SetpointPage::Apply() {
  if (!state_.PendingChanges()) return {};
  writeError_.clear();
  ApplyResult result = state_.ApplyChanges();
  if (!result.passedGate) return result;
  ForEachNode([](SetpointTreeNode& n, SetpointTreeNode*) {
    if (n.state == kPending) n.state = kListed;
  });
  // A setting that reads back different, whose write or read-back did not
  // get through, or that a stop left unwritten is still changed: its group
  // keeps the mark, like its blue row.
  for (int x = 0; x < kSettingCount; ++x) {
    if (state_.Store().settings[x].changed == 1) MarkGroupChanged(x);
  }
  writeError_ = state_.View().writeErrorText;
  // A write the relay refused (or that never arrived) is as much a failed
  // write as one that reads back different: the user is told.
  if (!result.linkFailed.empty()) writeError_ = kWriteErrorText;
  if (result.stopped) writeError_ = DescribeStoppedApply(result);
  keepApplyError_ = true;
  gridStale_ = true;
  return result;
}

void SetpointPage::Undo() {
  if (!state_.PendingChanges()) return;
  for (SettingRecord& s : state_.Store().settings) {
    if (s.changed == 1) Restore(s);
  }
  ForEachNode([](SetpointTreeNode& n, SetpointTreeNode*) {
    if (n.state == kPending) n.state = kToRead;
  });
  state_.SetPendingChanges(false);
  gridStale_ = true;
}

void SetpointPage::Refresh() {
  for (SettingRecord& s : state_.Store().settings) {
    if (s.changed == 1) Restore(s);
  }
  ForEachNode([](SetpointTreeNode& n, SetpointTreeNode*) {
    if (n.groupNumber >= 0 && Ticked(n.state)) n.state = kToRead;
  });
  state_.SetPendingChanges(false);
  gridStale_ = true;
}

}  // namespace kvx
