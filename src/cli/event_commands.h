#pragma once
// Commands on the relay's records and state: events (count, one record, the
// saved file), clock set, trip-codes.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx::cli {

void RegisterEventCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
