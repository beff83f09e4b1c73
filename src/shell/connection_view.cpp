#include "shell/connection_view.h"

namespace kvx {

ConnectionView ViewFor(bool online, int family) {
  ConnectionView v;
  if (!online) return v;
  v.openFile = v.loadDefaults = v.connect = v.changeRevision = false;
  v.disconnect = v.writeToUnit = v.changePassword = true;
  v.saveCaption = "Save Setpoint File from Unit";
  v.family = (family >= 1 && family <= 3) ? family : 0;
  v.detailsAndReset = true;
  v.meteringAndEventTabs = true;
  v.networkText = "ONLINE";
  v.networkGood = true;
  return v;
}

}  // namespace kvx
