#pragma once
// What every kvx-cli command gets: the shared link options, the streams, and
// the exit code it sets. A command file adds its subcommands with a
// Register...Commands(app, context) function called from main.cpp.

#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_exit.h"
#include "cli/link_options.h"
#include "comm/register_access_report.h"

namespace kvx::cli {

struct CommandContext {
  LinkOptions link;
  std::ostream& out = std::cout;
  std::ostream& err = std::cerr;
  int exitCode = kExitOk;
  // The frame log of the link WithLink opened (the last exception code).
  std::shared_ptr<FrameLog> frames;

  // Opens the link from the options and runs `body` on it; a bad link option
  // sets kExitBadArguments with its message instead.
  void WithLink(const std::function<int(LinkSession&)>& body);

  // Prints "kvx-cli: WHAT failed: REASON" once and gives the exit code: 2 for
  // a request outside the protocol's limits (nothing was sent), else 1.
  int Fail(const AccessReport& report, const std::string& what);
};

}  // namespace kvx::cli
