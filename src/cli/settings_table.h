#pragma once
// The tab-separated settings table printed by `show` and `read-setpoints`.

#include <ostream>
#include <string>

#include "setpoints/setting_store.h"

namespace kvx::cli {

// Flag-name texts hold one line per active flag; a table cell keeps them on one line.
std::string OneLine(const std::string& text);

// "Unit"/"Firmware" lines, then each named group below `groupLimit` as
// "[name]" followed by one line per setting: name, display text, units, comment.
void PrintSettingsTable(const SettingStore& store, std::ostream& out, int groupLimit);

}  // namespace kvx::cli
