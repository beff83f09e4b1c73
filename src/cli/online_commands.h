#pragma once
// Commands that connect as the desktop program does (identity, definition
// file) before they act: identify, read-setpoints, write-setpoints, get, set,
// change-password.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"

namespace kvx {
class WorkingState;
}

namespace kvx::cli {

// Connects as the desktop program does (answering questions with Yes when
// `yes`), runs `body` online and disconnects; for commands of other files.
void RunConnected(CommandContext& context, bool yes, const std::string& defaultsFolder,
                  const std::function<int(WorkingState&)>& body);

void RegisterOnlineCommands(CLI::App& app, CommandContext& context);

}  // namespace kvx::cli
