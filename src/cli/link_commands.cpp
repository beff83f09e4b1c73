#include "cli/link_commands.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "comm/modbus_limits.h"
#include "monitor/command_list.h"

namespace kvx::cli {
namespace {

struct ReadArgs {
  int first = 0;
  int count = 0;
};

struct WriteArgs {
  int first = 0;
  std::vector<int> values;
};

struct CommandArgs {
  std::string name;
};

void AddReadRegisters(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ReadArgs>();
  auto* cmd = app.add_subcommand("read-registers", "Read COUNT holding registers from FIRST");
  cmd->add_option("FIRST", args->first, "First register")->required()->check(CLI::Range(0, 99999));
  cmd->add_option("COUNT", args->count, "Number of registers")
      ->required()
      ->check(CLI::Range(1, 100));
  cmd->callback([&context, args] {
    context.WithLink([&](LinkSession& session) {
      std::vector<std::uint16_t> words(static_cast<std::size_t>(args->count));
      AccessReport report = ReadRegistersReport(session.settings, args->first, args->count, words);
      if (!report.ok) return context.Fail(report, "read-registers");
      for (int i = 0; i < args->count; ++i) {
        context.out << (args->first + i) << ' ' << words[static_cast<std::size_t>(i)] << '\n';
      }
      return static_cast<int>(kExitOk);
    });
  });
}

void AddWriteRegisters(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<WriteArgs>();
  auto* cmd = app.add_subcommand("write-registers", "Write V1 [V2 ...] to registers from FIRST");
  cmd->add_option("FIRST", args->first, "First register")->required()->check(CLI::Range(0, 99999));
  cmd->add_option("VALUES", args->values, "Register values 0..65535")
      ->required()
      ->expected(1, 100)
      ->check(CLI::Range(0, 65535));
  cmd->callback([&context, args] {
    context.WithLink([&](LinkSession& session) {
      std::vector<std::uint16_t> words(args->values.begin(), args->values.end());
      const int count = static_cast<int>(words.size());
      AccessReport report = WriteRegistersReport(session.settings, args->first, count, words);
      if (!report.ok) return context.Fail(report, "write-registers");
      return static_cast<int>(kExitOk);
    });
  });
}

void AddCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<CommandArgs>();
  std::string words;
  for (const DeviceCommand& c : DeviceCommands())
    words += std::string(words.empty() ? "" : ", ") + c.word;
  auto* cmd = app.add_subcommand("command", "Send a device command by its name or number");
  cmd->add_option("NAME", args->name, "Command: " + words + ", or its number 0..65535")->required();
  cmd->callback([&context, args] {
    const auto code = ParseDeviceCommand(args->name);
    if (!code) {
      context.err << "kvx-cli: command: '" << args->name << "' is no command name or number\n";
      context.exitCode = kExitBadArguments;
      return;
    }
    context.WithLink([&](LinkSession& session) {
      AccessReport report = SendCommandReport(session.settings, *code);
      if (!report.ok) return context.Fail(report, "command");
      return static_cast<int>(kExitOk);
    });
  });
}

}  // namespace

void RegisterLinkCommands(CLI::App& app, CommandContext& context) {
  AddReadRegisters(app, context);
  AddWriteRegisters(app, context);
  AddCommand(app, context);
}

}  // namespace kvx::cli
