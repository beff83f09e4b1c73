#include "cli/settings_table.h"

#include "setpoints/format_value.h"
#include "setpoints/number_text.h"

namespace kvx::cli {

std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "; ";
    } else if (c == '\t' || c == '\r') {
      out += ' ';
    } else {
      out += c;
    }
  }
  while (out.size() >= 2 && out.compare(out.size() - 2, 2, "; ") == 0) out.resize(out.size() - 2);
  return out;
}

void PrintSettingsTable(const SettingStore& store, std::ostream& out, int groupLimit,
                        int relayFirmware) {
  out << "Unit\t" << store.unitName << "\nFirmware\t";
  if (relayFirmware > 0) out << "relay " << FormatFirmware(relayFirmware) << ", definitions ";
  out << FormatFirmware(store.definitionFirmware) << '\n';
  for (int g = 0; g < groupLimit && g < kGroupCount; ++g) {
    const SettingGroup& group = store.groups[g];
    if (group.name.empty()) continue;
    out << "\n[" << group.name << "]\n";
    for (int r : group.RegisterList()) {
      if (r < 0 || r >= kSettingCount || store.settings[r].setting.empty()) continue;
      const SettingRecord& s = store.settings[r];
      out << OneLine(s.setting) << '\t' << OneLine(FormatValue(s.typeCode, s.value)) << '\t'
          << OneLine(s.units) << '\t' << OneLine(s.comment) << '\n';
    }
  }
}

}  // namespace kvx::cli
