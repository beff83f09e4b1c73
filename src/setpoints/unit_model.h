#pragma once
// The relay models the program knows, and the definition file naming rules.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kvx {

struct UnitModel {
  std::int32_t code;            // model code reported in register 0
  std::string_view name;        // unit name shown and stored in files
  std::string_view filePrefix;  // beginning of every definition file name of the model
  std::int32_t family;          // 1, 2 or 3: selects model-dependent behaviour
};

// The six models, in the order of the model code table.
std::span<const UnitModel> UnitModels();

// Exact, case-sensitive lookups.
std::optional<UnitModel> FindUnitModelByName(std::string_view name);
std::optional<UnitModel> FindUnitModelByCode(std::int32_t code);

}  // namespace kvx
