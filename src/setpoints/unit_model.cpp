#include "setpoints/unit_model.h"

namespace kvx {
namespace {

constexpr UnitModel kModels[] = {
    {201, "DRA", "dra_defaults_", 1},           {301, "DRB-50", "drb_defaults_", 2},
    {302, "FDX-50", "fdx_defaults_", 3},        {1201, "QRT-3600", "qrt3600_defaults_", 1},
    {1301, "QRT-2600", "qrt2600_defaults_", 2}, {1302, "QRT-4700", "qrt4700_defaults_", 3},
};

}  // namespace

std::span<const UnitModel> UnitModels() {
  return kModels;
}

std::optional<UnitModel> FindUnitModelByName(std::string_view name) {
  for (const UnitModel& m : kModels) {
    if (m.name == name) return m;
  }
  return std::nullopt;
}

std::optional<UnitModel> FindUnitModelByCode(std::int32_t code) {
  for (const UnitModel& m : kModels) {
    if (m.code == code) return m;
  }
  return std::nullopt;
}

}  // namespace kvx
