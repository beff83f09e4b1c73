#pragma once
// The setpoint report, the comparison of two setting files (or the relay
// and a file) and the revision change of a setpoint file.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx::cli {

// compare: 0 no difference, 1 differences (or the relay failed), 3 a file
// could not be read or written.
inline constexpr int kExitDifferences = 1;

void RegisterReportCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
