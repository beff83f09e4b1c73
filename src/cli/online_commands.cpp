#include "cli/online_commands.h"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_dialogs.h"
#include "cli/online_exit.h"
#include "cli/password_input.h"
#include "cli/settings_table.h"
#include "comm/comm_error.h"
#include "session/password_rules.h"
#include "session/setting_edit.h"
#include "session/working_state.h"
#include "setpoints/defaults_location.h"
#include "setpoints/format_value.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/register_values.h"

namespace kvx::cli {
namespace {

struct OnlineOptions {
  bool yes = false;
  std::string password;
  CLI::Option* passwordOption = nullptr;
  std::string newPassword = kPasswordChangeCancelled;
  std::string defaultsFolder;
};

void AddCommonOptions(CLI::App* cmd, OnlineOptions& options) {
  cmd->add_flag("--yes", options.yes, "Answer every question with Yes / OK");
  cmd->add_option("--defaults", options.defaultsFolder,
                  "Folder of the definition files (default: Defaults beside the program)")
      ->option_text("DIR");
}

void AddPasswordOption(CLI::App* cmd, OnlineOptions& options) {
  options.passwordOption =
      cmd->add_option("--password", options.password,
                      std::string("The relay's access password; other users see it in ps, so "
                                  "prefer ") +
                          kPasswordVariable + " or the prompt on a terminal")
          ->option_text("TEXT");
}

std::optional<std::string> Given(const CLI::Option* option, const std::string& value) {
  if (option == nullptr || option->count() == 0) return std::nullopt;
  return value;
}

// The password from the option, KVX_PASSWORD or the terminal; false (exit
// code set) when there is none.
bool TakePassword(CommandContext& context, OnlineOptions& options) {
  PasswordAnswer answer = ResolvePassword(Given(options.passwordOption, options.password),
                                          kPasswordVariable, "Password", false, context.err);
  if (!answer.text) {
    context.err << "kvx-cli: the relay's password: " << answer.problem << '\n';
    context.exitCode = kExitBadArguments;
    return false;
  }
  options.password = std::move(*answer.text);
  return true;
}

// The link's reason behind a fixed message just printed, on a line of its own.
void PrintLinkReason(const WorkingState& state, std::ostream& err) {
  if (!state.LastLinkFailure().reason.empty()) {
    err << "kvx-cli: " << state.LastLinkFailure().reason << '\n';
  }
}

int ConnectFailureExit(const WorkingState& state, std::ostream& err) {
  err << "kvx-cli: " << state.View().networkText << ": ";
  switch (state.LastConnectFailure()) {
    case ConnectFailure::NoAnswer:
      err << state.LastLinkFailure().reason << '\n';
      return kExitRelayFailed;
    case ConnectFailure::UnknownModel:
      err << "model code " << state.Identity().modelCode << " is not a known relay\n";
      return kExitRelayFailed;
    case ConnectFailure::OlderFileDeclined:
      err << "no definition file for this firmware\n";
      return kExitRelayFailed;
    case ConnectFailure::NoDefinitionFile:
    case ConnectFailure::None:
      break;
  }
  err << "no usable definition file in " << state.DefaultsFolder().string();
  if (!state.LastLoadError().empty()) err << " (" << state.LastLoadError() << ')';
  err << '\n';
  return static_cast<int>(kExitFileError);
}

using OnlineBody = std::function<int(WorkingState&)>;

// Connects as the desktop program does (identity, definition file), runs
// `body` online and disconnects. A refused question overrides the exit code.
void RunOnline(CommandContext& context, const OnlineOptions& options, const OnlineBody& body) {
  context.WithLink([&](LinkSession& session) {
    CliDialogs dialogs(context.err, options.yes);
    CliPasswords passwords(options.password, options.newPassword);
    WorkingState state(dialogs, passwords,
                       FindDefaultsFolder(ProgramFolder(), options.defaultsFolder));
    state.UseLink(std::move(session.serialPort), std::move(session.tcpClient), session.settings);
    StderrProgress progress(context.err, isatty(STDERR_FILENO) == 1, &state.Store());
    state.SetProgress(&progress);
    int code = state.ConnectUnit() ? body(state) : ConnectFailureExit(state, context.err);
    state.DisconnectUnit();
    return dialogs.Refused() ? kExitQuestionRefused : code;
  });
}

// One setting as read: register, name, display text, units.
void PrintSetting(std::ostream& out, int reg, const SettingRecord& s) {
  out << reg << '\t' << s.setting << '\t' << FormatValue(s.typeCode, s.value) << '\t' << s.units
      << '\n';
}

std::optional<int> SettingRegister(const WorkingState& state, const std::string& text,
                                   std::ostream& err) {
  const auto reg = ParseInteger(text);
  if (!reg || *reg < 0 || *reg >= kSettingCount || state.Store().settings[*reg].setting.empty()) {
    err << "kvx-cli: no setting at register " << text << " in "
        << state.Identity().definitionFile.filename().string() << '\n';
    return std::nullopt;
  }
  return static_cast<int>(*reg);
}

void AddIdentify(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<OnlineOptions>();
  auto* cmd = app.add_subcommand("identify", "Identify the relay and the definition file it uses");
  AddCommonOptions(cmd, *options);
  cmd->callback([&context, options] {
    RunOnline(context, *options, [&](WorkingState& state) {
      const UnitIdentity& id = state.Identity();
      context.out << "model: " << id.modelName << '\n'
                  << "model code: " << id.modelCode << '\n'
                  << "firmware: " << FormatFirmware(id.firmware) << '\n'
                  << "serial number: " << id.serialNumber << '\n'
                  << "definition file: " << id.definitionFile.filename().string() << '\n'
                  << "definition firmware: " << FormatFirmware(state.Store().definitionFirmware)
                  << '\n';
      return static_cast<int>(kExitOk);
    });
  });
}

void AddReadSetpoints(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<OnlineOptions>();
  auto file = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand(
      "read-setpoints", "Read every setpoint from the relay (to FILE: .cds binary, .xml XML)");
  AddCommonOptions(cmd, *options);
  cmd->add_option("-o,--output", *file, "Setpoint file to save")->option_text("FILE");
  cmd->callback([&context, options, file] {
    RunOnline(context, *options, [&](WorkingState& state) {
      if (!file->empty()) {
        switch (state.SaveSetpointFile(*file)) {
          case SaveOutcome::Saved:
            context.err << "kvx-cli: saved " << *file << '\n';
            return static_cast<int>(kExitOk);
          case SaveOutcome::ReadFailed:
            PrintLinkReason(state, context.err);
            return static_cast<int>(kExitRelayFailed);
          case SaveOutcome::WriteFailed:
            context.err << "kvx-cli: " << *file << ": " << state.LastWriteError() << '\n';
            return static_cast<int>(kExitFileError);
          case SaveOutcome::Cancelled:
            return kExitQuestionRefused;
        }
      }
      if (!state.ReadSetpointGroups()) {
        context.err << "Setpoint File Save: Error reading from unit. Please retry\n";
        PrintLinkReason(state, context.err);
        return static_cast<int>(kExitRelayFailed);
      }
      PrintSettingsTable(state.Store(), context.out, kSetpointGroupLimit,
                         state.Identity().firmware);
      return static_cast<int>(kExitOk);
    });
  });
}

// The refusal as the relay gave it: "register 65: the relay refused 7 (exception 3)".
void PrintRefusal(const CommandContext& context, const WriteToUnitResult& r) {
  context.err << "kvx-cli: register " << r.failedRegister << ": the relay refused "
              << r.failedValue;
  std::optional<int> code;
  if (ExceptionCode(r.failedError) != 0) code = ExceptionCode(r.failedError);
  if (!code && context.frames) code = context.frames->WriteException(r.failedRegister);
  if (code) context.err << " (exception " << *code << ')';
  context.err << "; " << r.settingsWritten << " settings written before it, none after\n";
}

int WriteSetpointsExit(CommandContext& context, const WriteToUnitResult& r) {
  using Outcome = WriteToUnitResult::Outcome;
  switch (r.outcome) {
    case Outcome::Written:
      context.err << "kvx-cli: " << r.settingsWritten << " settings written\n";
      return kExitOk;
    case Outcome::WrongPassword:
      return kExitBadArguments;
    case Outcome::FileRejected:
      return r.fileCheck == FileCheck::Declined ? kExitQuestionRefused : kExitFileError;
    case Outcome::FileNotLoaded:
      context.err << "kvx-cli: " << r.loadError << '\n';
      return kExitFileError;
    case Outcome::ValuesRefused:
      // The message listed the first ones.
      for (std::size_t i = kRefusedValuesListed; i < r.refusedValues.size(); ++i) {
        context.err << DescribeRefusedValue(r.refusedValues[i]) << '\n';
      }
      context.err << "kvx-cli: " << r.refusedValues.size()
                  << " values refused by the check; nothing written\n";
      return kExitFileError;
    case Outcome::Refused:
      PrintRefusal(context, r);
      return kExitRelayFailed;
    case Outcome::WriteFailed:
      if (r.stopped) break;
      context.err << "kvx-cli: the write of register " << r.failedRegister
                  << " failed: " << r.failedReason << "; " << r.settingsWritten
                  << " settings written before it\n";
      return kExitRelayFailed;
    case Outcome::PollThreadsBusy:
    case Outcome::Error:
      break;
  }
  return kExitRelayFailed;
}

void AddWriteSetpoints(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<OnlineOptions>();
  auto file = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("write-setpoints", "Write a whole setpoint file to the relay");
  AddCommonOptions(cmd, *options);
  AddPasswordOption(cmd, *options);
  cmd->add_option("FILE", *file, "Setpoint file (.cds or .xml)")->required();
  cmd->callback([&context, options, file] {
    const SettingFileIdentity identity = ReadSettingFileIdentity(*file);
    if (!identity.ok) {
      context.err << "File Error: Error Loading File.\nkvx-cli: " << *file << ": " << identity.error
                  << '\n';
      context.exitCode = kExitFileError;
      return;
    }
    if (!TakePassword(context, *options)) return;
    RunOnline(context, *options, [&](WorkingState& state) {
      const WriteToUnitResult r = state.WriteSetpointFileToUnit(*file);
      int code = WriteSetpointsExit(context, r);
      if (!r.reconnected) {
        context.err << "kvx-cli: the relay was not identified again after the write\n";
        if (state.LastConnectFailure() == ConnectFailure::NoAnswer) {
          PrintLinkReason(state, context.err);
        }
        if (code == kExitOk) code = kExitRelayFailed;
      }
      return code;
    });
  });
}

void AddGet(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<OnlineOptions>();
  auto registers = std::make_shared<std::vector<std::string>>();
  auto* cmd = app.add_subcommand("get", "Read settings by register: name, value, units");
  AddCommonOptions(cmd, *options);
  cmd->add_option("REGISTER", *registers, "Register of a setting")->required();
  cmd->callback([&context, options, registers] {
    RunOnline(context, *options, [&](WorkingState& state) {
      std::vector<int> wanted;
      for (const std::string& text : *registers) {
        auto reg = SettingRegister(state, text, context.err);
        if (!reg) return static_cast<int>(kExitBadArguments);
        wanted.push_back(*reg);
      }
      for (int reg : wanted) {
        SettingRecord& s = state.Store().settings[reg];
        std::string value;
        CommFailure why;
        if (!ReadSetting(state.Comm(), reg, s.typeCode, value, why)) {
          context.err << "kvx-cli: reading register " << reg << " failed: " << why.reason << '\n';
          return static_cast<int>(kExitRelayFailed);
        }
        s.value = s.readValue = value;
        PrintSetting(context.out, reg, s);
      }
      return static_cast<int>(kExitOk);
    });
  });
}

void AddSet(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<OnlineOptions>();
  auto assignments = std::make_shared<std::vector<std::string>>();
  auto* cmd = app.add_subcommand(
      "set", "Write settings (REGISTER=VALUE; a list index or choice name for list settings)");
  AddCommonOptions(cmd, *options);
  AddPasswordOption(cmd, *options);
  cmd->add_option("ASSIGNMENT", *assignments, "REGISTER=VALUE")->required();
  cmd->callback([&context, options, assignments] {
    if (!TakePassword(context, *options)) return;
    RunOnline(context, *options, [&](WorkingState& state) {
      // Every value is checked before anything is written.
      std::vector<std::pair<int, std::string>> edits;
      for (const std::string& a : *assignments) {
        const auto eq = a.find('=');
        if (eq == std::string::npos) {
          context.err << "kvx-cli: '" << a << "' is not REGISTER=VALUE\n";
          return static_cast<int>(kExitBadArguments);
        }
        auto reg = SettingRegister(state, a.substr(0, eq), context.err);
        if (!reg) return static_cast<int>(kExitBadArguments);
        const SettingEdit edit = CheckSettingEdit(state.Store().settings[*reg], a.substr(eq + 1));
        if (!edit.ok) {
          context.err << "kvx-cli: register " << *reg << ": " << edit.error
                      << "; nothing written\n";
          return static_cast<int>(kExitBadArguments);
        }
        edits.emplace_back(*reg, edit.valueText);
      }
      for (const auto& [reg, value] : edits) {
        SettingRecord& s = state.Store().settings[reg];
        s.value = value;
        s.changed = 1;
      }
      state.SetPendingChanges(true);
      const ApplyResult applied = state.ApplyChanges();
      if (!applied.passedGate) {
        // An unreadable password register says nothing about the password given.
        return static_cast<int>(applied.passwordNotRead ? kExitRelayFailed : kExitBadArguments);
      }
      for (const auto& edit : edits)
        PrintSetting(context.out, edit.first, state.Store().settings[edit.first]);
      int code = kExitOk;
      for (int reg : applied.mismatched) {
        context.err << state.View().writeErrorText << ": register " << reg << " reads back "
                    << state.Store().settings[reg].value << '\n';
        code = kExitRelayFailed;
      }
      for (std::size_t i = 0; i < applied.linkFailed.size(); ++i) {
        const int reg = applied.linkFailed[i];
        const auto refused = context.frames ? context.frames->WriteException(reg) : std::nullopt;
        const auto edit = std::find_if(edits.begin(), edits.end(),
                                       [reg](const auto& e) { return e.first == reg; });
        if (refused && edit != edits.end()) {
          context.err << "kvx-cli: register " << reg << ": the relay refused " << edit->second
                      << " (exception " << *refused << ")\n";
        } else {
          context.err << "kvx-cli: writing register " << reg
                      << " failed: " << applied.linkFailureReasons[i] << '\n';
        }
        code = kExitRelayFailed;
      }
      if (code == kExitOk) {
        const std::string done = DescribeAppliedInFull(applied, true);
        if (!done.empty()) context.err << "kvx-cli: " << done << '\n';
      }
      return code;
    });
  });
}

void AddChangePassword(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<OnlineOptions>();
  auto anyCharacters = std::make_shared<bool>(false);
  auto* cmd = app.add_subcommand("change-password", "Change the relay's access password");
  AddCommonOptions(cmd, *options);
  AddPasswordOption(cmd, *options);
  auto* newOption =
      cmd->add_option("NEW", options->newPassword,
                      std::string("The new password, 4 characters (other users see it in ps: "
                                  "prefer ") +
                          kNewPasswordVariable + " or the prompt, which asks twice)");
  cmd->add_flag("--any-characters", *anyCharacters,
                "Allow characters the relay's keypad cannot enter");
  cmd->callback([&context, options, anyCharacters, newOption] {
    if (!TakePassword(context, *options)) return;
    PasswordAnswer fresh = ResolvePassword(Given(newOption, options->newPassword),
                                           kNewPasswordVariable, "New password", true, context.err);
    if (!fresh.text) {
      context.err << "kvx-cli: the new password: " << fresh.problem << '\n';
      context.exitCode = kExitBadArguments;
      return;
    }
    options->newPassword = std::move(*fresh.text);
    if (!NewPasswordAcceptable(options->newPassword, !*anyCharacters)) {
      context.err << "kvx-cli: New Password must be 4 characters long"
                  << (*anyCharacters ? "" : " (letters, digits, space, - . /)") << '\n';
      context.exitCode = kExitBadArguments;
      return;
    }
    RunOnline(context, *options, [&](WorkingState& state) {
      const ChangePasswordResult r = state.ChangePassword();
      if (r.outcome == ChangePasswordOutcome::WrongPassword) {
        return static_cast<int>(kExitBadArguments);
      }
      if (r.outcome == ChangePasswordOutcome::NotRead) {
        context.err << "kvx-cli: the relay's password could not be read; nothing written\n";
        return static_cast<int>(kExitRelayFailed);
      }
      if (!r.written) {
        context.err << "kvx-cli: writing the new password failed: " << r.failure.reason << '\n';
        return static_cast<int>(kExitRelayFailed);
      }
      context.err << "kvx-cli: password changed\n";
      return static_cast<int>(kExitOk);
    });
  });
}

}  // namespace

void RunConnected(CommandContext& context, bool yes, const std::string& defaultsFolder,
                  const std::function<int(WorkingState&)>& body) {
  OnlineOptions options;
  options.yes = yes;
  options.defaultsFolder = defaultsFolder;
  RunOnline(context, options, body);
}

void RegisterOnlineCommands(CLI::App& app, CommandContext& context) {
  AddIdentify(app, context);
  AddReadSetpoints(app, context);
  AddWriteSetpoints(app, context);
  AddGet(app, context);
  AddSet(app, context);
  AddChangePassword(app, context);
}

}  // namespace kvx::cli
