#pragma once
// Reads a definition file into what the simulated relay needs of it.

#include <filesystem>
#include <optional>
#include <string>

#include "sim/relay_definition.h"

namespace kvx::sim {

// Nothing on failure, with the reason in `error`.
std::optional<RelayDefinition> LoadRelayDefinition(const std::filesystem::path& file,
                                                   std::string& error);

}  // namespace kvx::sim
