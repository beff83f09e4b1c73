#pragma once
// What the main window shows offline and online.

#include <string>

namespace kvx {

// Relay model family: 1 motor (DRA-like), 2 motor (DRB-like), 3 feeder; 0 none.
struct ConnectionView {
  bool openFile = true;         // "Open Setpoint File"
  bool loadDefaults = true;     // "Load Defaults File"
  bool connect = true;          // "Connect"
  bool changeRevision = true;   // "Change File Revision"
  bool disconnect = false;      // "Disconnect"
  bool writeToUnit = false;     // "Write Setpoint File to Unit"
  bool changePassword = false;  // "Change Password"
  std::string saveCaption = "Save Setpoint File";
  int family = 0;  // which Commands menu and family strip shows; 0 none
  bool detailsAndReset = false;
  bool meteringAndEventTabs = false;
  std::string networkText = "OFFLINE";
  bool networkGood = false;  // green when true, red otherwise
};

ConnectionView ViewFor(bool online, int family);

}  // namespace kvx
