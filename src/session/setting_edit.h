#pragma once
// Checks a value typed for a setting the way the setpoint page's editors
// limit it, and gives the value text the editor would store; and checks a
// value text taken from a file before it is written to the relay.

#include <string>
#include <string_view>
#include <vector>

#include "setpoints/setting_store.h"

namespace kvx {

// What the editors let through as keys are typed: a text setting takes the
// characters the relay's keypad can enter, a comment (kept in files only)
// printable ASCII.
bool IsTextSettingCharacter(char c);
bool IsCommentCharacter(char c);

struct SettingEdit {
  bool ok = false;
  std::string valueText;  // what goes into `value` when ok
  std::string error;      // why the text was refused
};

// Numbers must lie within MIN..MAX. Type 1 keeps two decimals as the spin
// edit keeps them; types that fill a whole-number register (2, 3) take whole
// numbers only, since the relay would round anything else. List types take an
// index 0..MAX or the name of a choice; texts (22) take up to 20 of the
// characters the text editor accepts. Read-only settings (ACCESS != 0),
// registers without a setting and codes that are never written are refused.
SettingEdit CheckSettingEdit(const SettingRecord& setting, std::string_view typed);

// Why `setting.value` cannot go to the relay as it stands (outside MIN..MAX,
// not a whole number where the register holds one, a list index beyond the
// list, a text longer than 20 characters or with characters the relay cannot
// store); empty when it can, and for settings that are never written
// (read-only, no setting, a code with nothing to write).
std::string SettingValueProblem(const SettingRecord& setting);

struct RefusedValue {
  int reg = 0;
  std::string setting;
  std::string value;
  std::string reason;
};

// Every setting of the setpoint groups 0..99 of `store` that a whole-file
// write would send and that SettingValueProblem refuses, in register order.
// With `unit` (the relay's own definitions, when they differ from the file's)
// a value must also fit the limits `unit` gives the same setting (same
// register and type code).
std::vector<RefusedValue> RefusedValuesToWrite(const SettingStore& store,
                                               const SettingStore* unit = nullptr);

// How many refused values a message lists; the rest are counted.
inline constexpr std::size_t kRefusedValuesListed = 20;

// "register 24 (Time Between Starts): 5.5 is not a whole number".
std::string DescribeRefusedValue(const RefusedValue& refused);

}  // namespace kvx
