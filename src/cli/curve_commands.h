#pragma once
// Offline curve command: the Data Points tables and series of a feeder or
// motor relay's setpoint or definition file.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx::cli {

void RegisterCurveCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
