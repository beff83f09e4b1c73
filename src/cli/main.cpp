// kvx-cli: the relay from a shell. Parses, calls the core, formats: data on
// stdout, messages and frame traces on stderr.

#include <CLI/CLI.hpp>

#include "cli/command_context.h"
#include "cli/curve_commands.h"
#include "cli/event_commands.h"
#include "cli/file_commands.h"
#include "cli/link_commands.h"
#include "cli/monitor_commands.h"
#include "cli/online_commands.h"
#include "cli/report_commands.h"
#include "kvx_version.h"

int main(int argc, char** argv) {
  using namespace kvx::cli;
  CLI::App app{"KVX-COMM command line: talk to a protective relay", "kvx-cli"};
  app.require_subcommand(1);
  app.fallthrough();  // link options may also follow the command name
  app.set_version_flag("--version", std::string("kvx-cli ") + kvx::kVersion);

  CommandContext context;
  AddLinkOptions(app, context.link);
  RegisterLinkCommands(app, context);
  RegisterFileCommands(app, context);
  RegisterCurveCommands(app, context);
  RegisterOnlineCommands(app, context);
  RegisterEventCommands(app, context);
  RegisterReportCommands(app, context);
  RegisterMonitorCommands(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitBadArguments;
  }
  return context.exitCode;
}
