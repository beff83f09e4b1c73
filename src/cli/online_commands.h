#pragma once
// Commands that connect as the desktop program does (identity, definition
// file) before they act: identify, read-setpoints, write-setpoints, get, set,
// change-password.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx::cli {

void RegisterOnlineCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
