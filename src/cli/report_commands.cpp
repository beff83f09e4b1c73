#include "cli/report_commands.h"

#include <unistd.h>

#include <clocale>
#include <ctime>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_dialogs.h"
#include "cli/online_exit.h"
#include "comm/tcp_client.h"
#include "reports/setpoint_report.h"
#include "session/group_reads.h"
#include "session/revision_sequence.h"
#include "session/working_state.h"
#include "setpoints/defaults_location.h"
#include "setpoints/file_compare.h"
#include "setpoints/file_save.h"
#include "setpoints/format_value.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/setpoint_tree.h"
#include "setpoints/unit_model.h"

namespace kvx::cli {
namespace {

// Today in the user's short date form.
std::string Today() {
  std::setlocale(LC_TIME, "");
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  const std::size_t n = std::strftime(text, sizeof text, "%x", &local);
  return std::string(text, n);
}

int FileError(CommandContext& context, const std::string& what, const std::string& path,
              const std::string& reason) {
  if (!what.empty()) context.err << what << '\n';
  context.err << "kvx-cli: " << path << ": " << reason << '\n';
  return kExitFileError;
}

// Writes `bytes` to `out`, or to stdout when `out` is empty.
int Emit(CommandContext& context, const std::string& out, const std::string& bytes) {
  if (out.empty()) {
    context.out << bytes;
    return kExitOk;
  }
  const WriteResult w = WriteFileAtomically(out, bytes);
  if (!w.ok) return FileError(context, "The file could not be written.", out, w.error);
  context.err << "kvx-cli: saved " << out << '\n';
  return kExitOk;
}

std::string LastPart(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// Connects as the desktop program does and runs `body` online.
int RunOnline(CommandContext& context, const std::string& defaultsFolder, bool yes,
              const std::function<int(WorkingState&, ProgressSink&)>& body) {
  context.WithLink([&](LinkSession& session) {
    CliDialogs dialogs(context.err, yes);
    CliPasswords passwords("");
    WorkingState state(dialogs, passwords, FindDefaultsFolder(ProgramFolder(), defaultsFolder));
    state.UseLink(std::move(session.serialPort), std::move(session.tcpClient), session.settings);
    StderrProgress progress(context.err, isatty(STDERR_FILENO) == 1, &state.Store());
    state.SetProgress(&progress);
    int code = kExitRelayFailed;
    if (state.ConnectUnit()) {
      code = body(state, progress);
    } else {
      context.err << "kvx-cli: " << state.View().networkText;
      if (!state.LastLinkFailure().reason.empty())
        context.err << ": " << state.LastLinkFailure().reason;
      if (!state.LastLoadError().empty()) context.err << ": " << state.LastLoadError();
      context.err << '\n';
    }
    state.DisconnectUnit();
    return dialogs.Refused() ? kExitQuestionRefused : code;
  });
  return context.exitCode;
}

// --- report -------------------------------------------------------------

struct ReportArgs {
  std::string file;
  std::string out;
  std::string displayed;
  bool relay = false;
  std::string defaults;
};

// "1,10,Jam" -> ticks the nodes of those group numbers or names.
bool TickDisplayed(const SettingStore& store, std::vector<ReportNode>& nodes,
                   const std::string& list, std::ostream& err) {
  std::stringstream in(list);
  std::string item;
  while (std::getline(in, item, ',')) {
    if (item.empty()) continue;
    bool found = false;
    const auto number = ParseInteger(item);
    for (ReportNode& n : nodes) {
      const bool match =
          number ? n.groupNumber == *number : store.groups[n.groupNumber].name == item;
      if (match) n.ticked = found = true;
    }
    if (!found) {
      err << "kvx-cli: no group " << item << " in the setpoint tree\n";
      return false;
    }
  }
  return true;
}

std::vector<int> GroupsOf(const std::vector<ReportNode>& nodes, bool onlyTicked) {
  std::vector<int> groups;
  for (const ReportNode& n : nodes)
    if (!onlyTicked || n.ticked) groups.push_back(n.groupNumber);
  return groups;
}

void AddReport(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ReportArgs>();
  auto* cmd = app.add_subcommand(
      "report", "Write the setpoint report (tab-separated, CR LF) of a file or of the relay");
  cmd->add_option("FILE", args->file, "Setpoint or definition file (offline)");
  cmd->add_flag("--relay", args->relay,
                "Report the relay's settings, read over the link options, instead of a file");
  cmd->add_option("-o,--output", args->out, "Write the report to this file (default: stdout)");
  cmd->add_option("--displayed", args->displayed,
                  "Only these groups, as displayed settings: numbers or names, comma-separated")
      ->option_text("GROUPS");
  cmd->add_option("--defaults", args->defaults, "Folder of the definition files");
  cmd->callback([&context, args] {
    if (args->relay == !args->file.empty()) {
      context.err << "kvx-cli: report needs either FILE or --relay\n";
      context.exitCode = kExitBadArguments;
      return;
    }
    const ReportChoice choice =
        args->displayed.empty() ? ReportChoice::AllSettings : ReportChoice::DisplayedSettings;
    ReportHeader header;
    header.date = Today();
    if (!args->relay) {
      SettingStore store;
      const LoadResult r =
          LoadSettingFile(store, args->file, FindDefaultsFolder(ProgramFolder(), args->defaults));
      if (!r) {
        context.exitCode = FileError(context, "Error Loading File.", args->file, r.error);
        return;
      }
      std::vector<ReportNode> nodes = ReportNodes(BuildSetpointTree(store));
      if (!TickDisplayed(store, nodes, args->displayed, context.err)) {
        context.exitCode = kExitBadArguments;
        return;
      }
      header.unitName = store.unitName;
      header.definitionFirmware = store.definitionFirmware;
      context.exitCode = Emit(context, args->out, BuildReportText(store, nodes, header, choice));
      return;
    }
    RunOnline(context, args->defaults, false, [&](WorkingState& state, ProgressSink& progress) {
      std::vector<ReportNode> nodes = ReportNodes(state.Tree());
      if (!TickDisplayed(state.Store(), nodes, args->displayed, context.err))
        return static_cast<int>(kExitBadArguments);
      // Displayed groups are read as the setpoint page reads them when ticked;
      // for all settings every group is read.
      const std::vector<int> groups = GroupsOf(nodes, choice == ReportChoice::DisplayedSettings);
      const GroupReadResult read =
          ReadGroupsFromRelay(state, groups, "Reading Settings", &progress);
      int total = 0;
      for (int g : groups) total += static_cast<int>(ReportRegisters(state.Store(), g).size());
      if (!read.Complete()) {
        context.err << "Error Reading from Unit\nkvx-cli: " << DescribeGroupRead(read, total)
                    << "; no report written\n";
        return static_cast<int>(kExitRelayFailed);
      }
      header.unitName = state.Store().unitName;
      header.definitionFirmware = state.Store().definitionFirmware;
      header.link = ReportLinkOf(state.Comm(), state.Tcp().RemoteHost());
      return Emit(context, args->out, BuildReportText(state.Store(), nodes, header, choice));
    });
  });
}

// --- compare ------------------------------------------------------------

struct CompareArgs {
  std::vector<std::string> files;
  bool relay = false;
  std::string out;
  std::string defaults;
};

// The grid as the window lists it: columns 1-3 and 5-7, a tab between cells.
void PrintGrid(std::ostream& out, const CompareGrid& grid) {
  for (const CompareGridRow& row : grid.rows) {
    out << row[1] << '\t' << row[2] << '\t' << row[3] << "\t|\t" << row[5] << '\t' << row[6] << '\t'
        << row[7] << '\n';
  }
}

int FinishCompare(CommandContext& context, const CompareArgs& args, const std::string& leftName,
                  const std::string& rightName, const CompareGrid& grid) {
  PrintGrid(context.out, grid);
  if (!args.out.empty()) {
    const int code = Emit(context, args.out, CompareListingText(leftName, rightName, grid));
    if (code != kExitOk) return code;
  }
  context.err << "kvx-cli: " << grid.differences
              << (grid.differences == 1 ? " difference\n" : " differences\n");
  return grid.differences == 0 ? kExitOk : kExitDifferences;
}

std::optional<CompareSide> ReadSide(CommandContext& context, const std::string& path,
                                    const char* which) {
  const CompareRead r = ReadCompareFile(path);
  if (r.ok) return r.side;
  FileError(context, r.opened ? std::string("Error in ") + which + " File." : "Error Loading File.",
            path, r.error);
  return std::nullopt;
}

void AddCompare(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<CompareArgs>();
  auto* cmd = app.add_subcommand(
      "compare",
      "List the settings in which two setting files differ (exit 0: none, 1: some, 3: a file "
      "could not be read)");
  cmd->add_option("FILES", args->files, "LEFT RIGHT, or only RIGHT with --relay")
      ->expected(1, 2)
      ->required();
  cmd->add_flag("--relay", args->relay,
                "The relay's settings, read over the link options, are the left side");
  cmd->add_option("-o,--output", args->out, "Also save the listing (tab-separated, CR LF)");
  cmd->add_option("--defaults", args->defaults, "Folder of the definition files");
  cmd->callback([&context, args] {
    if (args->files.size() != (args->relay ? 1u : 2u)) {
      context.err << "kvx-cli: compare needs LEFT RIGHT, or RIGHT with --relay\n";
      context.exitCode = kExitBadArguments;
      return;
    }
    if (!args->relay) {
      const auto left = ReadSide(context, args->files[0], "First");
      if (!left) {
        context.exitCode = kExitFileError;
        return;
      }
      const auto right = ReadSide(context, args->files[1], "Second");
      if (!right) {
        context.exitCode = kExitFileError;
        return;
      }
      context.exitCode = FinishCompare(context, *args, LastPart(args->files[0]),
                                       LastPart(args->files[1]), CompareSides(*left, *right));
      return;
    }
    // Read the file first: a bad file needs no relay.
    const auto right = ReadSide(context, args->files[0], "Second");
    if (!right) {
      context.exitCode = kExitFileError;
      return;
    }
    RunOnline(context, args->defaults, false, [&](WorkingState& state, ProgressSink& progress) {
      std::vector<int> groups;
      int total = 0;
      for (int g = 0; g < 999; ++g) {
        const SettingGroup& group = state.Store().groups[g];
        if (group.name.empty() || !ComparedGroupKind(group.kind)) continue;
        groups.push_back(g);
        total += static_cast<int>(ReportRegisters(state.Store(), g).size());
      }
      SettingStore relay = state.Store();
      const GroupReadResult read =
          ReadGroupsFromRelay(state, groups, "Reading Settings", &progress, &relay);
      if (!read.Complete()) {
        context.err << "Error Reading from Unit\nkvx-cli: " << DescribeGroupRead(read, total)
                    << "; nothing compared\n";
        return static_cast<int>(kExitRelayFailed);
      }
      return FinishCompare(context, *args, "Unit " + relay.unitName, LastPart(args->files[0]),
                           CompareSides(CompareSideFromStore(relay), *right));
    });
  });
}

// --- revise -------------------------------------------------------------

struct ReviseArgs {
  std::string file;
  std::string to;
  int firmware = -1;
  std::string out;
  bool yes = false;
  std::string defaults;
};

const char* OutcomeText(RevisionOutcome o) {
  switch (o) {
    case RevisionOutcome::CarriedOver:
      return "carried over";
    case RevisionOutcome::OutOfLimits:
      return "out of limits";
    case RevisionOutcome::NotConverted:
      return "not converted";
  }
  return "";
}

void AddRevise(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ReviseArgs>();
  auto* cmd = app.add_subcommand(
      "revise",
      "Move a setpoint file onto another definition file of its model (exit 4: the "
      "firmware question needs --yes)");
  cmd->add_option("FILE", args->file, "Setpoint file to convert")->required();
  auto* to = cmd->add_option("--to", args->to, "The new definition file")->option_text("FILE");
  auto* fw = cmd->add_option("--firmware", args->firmware,
                             "The new firmware (hundredths): the model's definition file of it")
                 ->option_text("N");
  to->excludes(fw);
  cmd->add_option("-o,--output", args->out, "Where to save the converted file")->required();
  cmd->add_flag("--yes", args->yes, "Answer the firmware question with OK");
  cmd->add_option("--defaults", args->defaults, "Folder of the definition files");
  cmd->callback([&context, args] {
    if (args->to.empty() && args->firmware < 0) {
      context.err << "kvx-cli: revise needs --to FILE or --firmware N\n";
      context.exitCode = kExitBadArguments;
      return;
    }
    CliDialogs dialogs(context.err, args->yes);
    CliPasswords passwords("");
    WorkingState state(dialogs, passwords, FindDefaultsFolder(ProgramFolder(), args->defaults));
    if (!state.OpenUserFile(args->file)) {
      context.exitCode = FileError(context, "", args->file, state.LastLoadError());
      return;
    }
    std::filesystem::path definition = args->to;
    if (definition.empty()) {
      const auto model = FindUnitModelByName(state.Store().unitName);
      definition = DefinitionFilePath(state.DefaultsFolder(), *model, args->firmware);
    }
    StderrProgress progress(context.err, isatty(STDERR_FILENO) == 1);
    const RevisionResult r = ChangeFileRevision(state, dialogs, definition, &progress);
    switch (r.outcome) {
      case RevisionResult::Outcome::Changed:
        break;
      case RevisionResult::Outcome::Rejected:
        if (r.check == FileCheck::Declined) {
          context.exitCode = kExitQuestionRefused;
        } else if (r.check == FileCheck::Unreadable) {
          context.exitCode =
              FileError(context, "The definition file could not be read.", definition.string(),
                        ReadSettingFileIdentity(definition).error);
        } else {
          context.exitCode = kExitFileError;
        }
        return;
      case RevisionResult::Outcome::NoFileLoaded:
      case RevisionResult::Outcome::LoadFailed:
        context.exitCode = FileError(context, "", definition.string(), state.LastLoadError());
        return;
    }
    dialogs.Tell("Setpoint Review", kRevisionReviewText);
    for (const RevisionMark& m : r.marks) {
      if (m.outcome == RevisionOutcome::CarriedOver) continue;
      const SettingRecord& s = state.Store().settings[m.reg];
      context.out << m.reg << '\t' << s.setting << '\t' << FormatValue(s.typeCode, s.value) << '\t'
                  << s.units << '\t' << OutcomeText(m.outcome) << '\n';
    }
    state.ApplyChanges();  // offline: the reviewed values are taken as they are
    const SaveOutcome saved = state.SaveSetpointFile(args->out, true);
    if (saved != SaveOutcome::Saved) {
      context.exitCode =
          FileError(context, "Error writing file.", args->out, state.LastWriteError());
      return;
    }
    context.err << "kvx-cli: " << r.Marked() << " of " << r.marks.size()
                << " settings need review; saved " << args->out << " for firmware "
                << FormatFirmware(state.Store().definitionFirmware) << '\n';
    context.exitCode = dialogs.Refused() ? kExitQuestionRefused : kExitOk;
  });
}

}  // namespace

void RegisterReportCommands(CLI::App& app, CommandContext& context) {
  AddReport(app, context);
  AddCompare(app, context);
  AddRevise(app, context);
}

}  // namespace kvx::cli
