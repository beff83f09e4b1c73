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
// With the firmware of the relay the settings were read from (hundredths,
// 0: none), the Firmware line names both it and the definitions' firmware,
// which may be older: "relay 1.97, definitions 1.90".
void PrintSettingsTable(const SettingStore& store, std::ostream& out, int groupLimit,
                        int relayFirmware = 0);

}  // namespace kvx::cli
