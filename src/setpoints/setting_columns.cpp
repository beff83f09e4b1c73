#include "setpoints/setting_columns.h"

namespace kvx {

std::vector<FieldDef> SettingFileColumns() {
  using T = FieldType;
  return {
      {"CFG_NAME", T::String, 10}, {"CFG_VALUE", T::String, 10}, {"G_ORDER", T::Float8, 0},
      {"MAIN", T::String, 50},     {"MAINTYPE", T::String, 25},  {"GROUP", T::String, 50},
      {"REGISTER", T::Float8, 0},  {"SETTING", T::String, 50},   {"S_ORDER", T::Float8, 0},
      {"TYPE", T::Float8, 0},      {"MIN", T::Float8, 0},        {"MAX", T::Float8, 0},
      {"DEFAULT", T::String, 20},  {"ACCESS", T::Float8, 0},     {"UNITS", T::String, 10},
      {"COMMENTS", T::String, 40},
  };
}

bool FindSettingColumns(const DataPacket& p, SettingColumns& c, std::string& error) {
  struct Want {
    const char* name;
    int* index;
  };
  const Want wanted[] = {{"CFG_NAME", &c.cfgName},  {"CFG_VALUE", &c.cfgValue},
                         {"G_ORDER", &c.gOrder},    {"MAIN", &c.main},
                         {"MAINTYPE", &c.mainType}, {"GROUP", &c.group},
                         {"REGISTER", &c.reg},      {"SETTING", &c.setting},
                         {"S_ORDER", &c.sOrder},    {"TYPE", &c.type},
                         {"MIN", &c.min},           {"MAX", &c.max},
                         {"DEFAULT", &c.def},       {"UNITS", &c.units},
                         {"COMMENTS", &c.comments}};
  for (const Want& w : wanted) {
    *w.index = p.FieldIndex(w.name);
    if (*w.index < 0) {
      error = std::string("missing column ") + w.name;
      return false;
    }
  }
  c.access = p.FieldIndex("ACCESS");
  return true;
}

}  // namespace kvx
