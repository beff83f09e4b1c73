#pragma once
// Offline file commands: show, convert, defaults.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx::cli {

void RegisterFileCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
