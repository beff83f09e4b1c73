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

}  // namespace kvx
