#include "setpoints/setting_store.h"

namespace kvx {

std::vector<int> SettingGroup::RegisterList() const {
  std::vector<int> out;
  for (std::int32_t r : registers) {
    if (r == kGroupEndMarker) break;
    out.push_back(r);
  }
  return out;
}

}  // namespace kvx
