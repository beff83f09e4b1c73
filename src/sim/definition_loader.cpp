#include "sim/definition_loader.h"

#include <charconv>

#include "setpoints/load_setting_file.h"

namespace kvx::sim {
namespace {

double Number(const std::string& text) {
  double v = 0;
  std::from_chars(text.data(), text.data() + text.size(), v);
  return v;
}

// The readings of the first group of `kind`, in the group's order.
std::vector<SimField> FieldsOf(const SettingStore& store, std::string_view kind) {
  std::vector<SimField> fields;
  for (const SettingGroup& g : store.groups) {
    if (g.name.empty() || g.kind != kind) continue;
    for (int reg : g.RegisterList()) {
      if (reg < 0 || reg >= kSettingCount) continue;
      const SettingRecord& s = store.settings[reg];
      if (s.setting.empty()) continue;
      fields.push_back({reg, s.typeCode, s.setting, s.units});
    }
    break;
  }
  return fields;
}

}  // namespace

std::optional<RelayDefinition> LoadRelayDefinition(const std::filesystem::path& file,
                                                   std::string& error) {
  // A definition file names itself, so its own folder is the Defaults folder.
  SettingStore store;
  LoadResult loaded = LoadSettingFile(store, file, file.parent_path());
  if (!loaded) {
    error = loaded.error;
    return std::nullopt;
  }
  RelayDefinition def;
  def.sourceFile = file.string();
  def.definitionFirmware = store.definitionFirmware;
  for (int reg = 0; reg < kSettingCount; ++reg) {
    const SettingRecord& s = store.settings[reg];
    if (s.setting.empty()) continue;
    def.settings.push_back({reg, s.typeCode, Number(s.minText), Number(s.maxText), s.access,
                            s.value, s.setting, s.units});
  }
  def.meteringFields = FieldsOf(store, "metering");
  def.rtdFields = FieldsOf(store, "meter rtd");
  def.eventFields = FieldsOf(store, "events");
  return def;
}

}  // namespace kvx::sim
