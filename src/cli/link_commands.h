#pragma once
// Raw register commands: read-registers, write-registers, command.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx::cli {

void RegisterLinkCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
