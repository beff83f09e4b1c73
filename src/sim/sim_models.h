#pragma once
// The relay models the simulator can pose as, and how a model and firmware
// number find their definition file in a Defaults folder.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "setpoints/unit_model.h"

namespace kvx::sim {

// The program's own model table: code (register 0), name, file prefix, family.
using SimModel = UnitModel;

// Exact, case-sensitive match on the unit name.
inline std::optional<SimModel> FindSimModel(std::string_view name) {
  return FindUnitModelByName(name);
}

// The file for (model, firmware); when it is missing, the newest file of an
// older firmware (firmware - 1 down to 99), as the program's own fallback
// search finds it. Empty when none exists.
std::filesystem::path FindDefinitionFile(const std::filesystem::path& folder, const SimModel& model,
                                         int firmware);

// Event ring size by family: 64 for family 1, else 100.
int EventRingSize(int family);

}  // namespace kvx::sim
