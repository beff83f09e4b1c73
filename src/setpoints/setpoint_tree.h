#pragma once
// The setpoint tree as plain data: what the tree widget shows after a load.

#include <string>
#include <vector>

#include "setpoints/setting_store.h"

namespace kvx {

struct SetpointTreeNode {
  std::string text;
  int groupNumber = -1;  // the group a group node stands for; -1 for the root and folders
  int state = -1;        // selection state: 0 (not ticked) for group nodes, -1 otherwise
  std::vector<SetpointTreeNode> children;
};

// Root (text = unit name) with, in this order: the "system name" groups; a
// "Protection" folder; "Group 1"; "Group 2"; the "setpoint" groups; a
// "Temperature Sensors" folder. Groups 0..999 ascending in each pass; a
// folder only when a group of its kind exists.
SetpointTreeNode BuildSetpointTree(const SettingStore& store);

}  // namespace kvx
