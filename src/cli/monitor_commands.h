#pragma once
// `meter` and `status`: one poll cycle of the relay's metering or status,
// printed as the window shows it; with --watch, at the poll's own pace until
// interrupted.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx::cli {

void RegisterMonitorCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
