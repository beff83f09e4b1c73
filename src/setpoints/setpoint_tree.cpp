#include "setpoints/setpoint_tree.h"

namespace kvx {
namespace {

SetpointTreeNode GroupNode(const SettingStore& store, int n) {
  SetpointTreeNode node;
  node.text = store.groups[n].name;
  node.groupNumber = n;
  node.state = 0;
  return node;
}

void AddPass(const SettingStore& store, SetpointTreeNode& root, const char* kind,
             const char* folder) {
  SetpointTreeNode* parent = folder ? nullptr : &root;
  for (int n = 0; n <= 999; ++n) {
    const SettingGroup& g = store.groups[n];
    // A group without a name is no group, whatever kind it might carry.
    if (g.name.empty() || g.kind != kind) continue;
    if (!parent) {
      SetpointTreeNode f;
      f.text = folder;
      root.children.push_back(std::move(f));
      parent = &root.children.back();
    }
    parent->children.push_back(GroupNode(store, n));
  }
}

}  // namespace

SetpointTreeNode BuildSetpointTree(const SettingStore& store) {
  SetpointTreeNode root;
  root.text = store.unitName;
  AddPass(store, root, "system name", nullptr);
  AddPass(store, root, "protection", "Protection");
  AddPass(store, root, "group1", "Group 1");
  AddPass(store, root, "group2", "Group 2");
  AddPass(store, root, "setpoint", nullptr);
  AddPass(store, root, "rtd", "Temperature Sensors");
  return root;
}

}  // namespace kvx
