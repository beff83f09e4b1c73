#pragma once
// Checks a value typed for a setting the way the setpoint page's editors
// limit it, and gives the value text the editor would store.

#include <string>
#include <string_view>

#include "setpoints/setting_store.h"

namespace kvx {

struct SettingEdit {
  bool ok = false;
  std::string valueText;  // what goes into `value` when ok
  std::string error;      // why the text was refused
};

// Numbers (type codes 1 and 3, and 2) must lie within MIN..MAX and are kept
// with two decimals as the spin edit keeps them (type 2 as typed); list types
// take an index 0..MAX or the name of a choice; texts (22) take up to 20 of
// the characters the text editor accepts. Read-only settings (ACCESS != 0),
// registers without a setting and codes that are never written are refused.
SettingEdit CheckSettingEdit(const SettingRecord& setting, std::string_view typed);

}  // namespace kvx
