#include "cli/event_commands.h"

#include <unistd.h>

#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "cli/online_commands.h"
#include "monitor/clock_text.h"
#include "monitor/event_link.h"
#include "monitor/trip_codes.h"
#include "session/working_state.h"
#include "setpoints/number_text.h"

namespace kvx::cli {
namespace {

struct ConnectOptions {
  bool yes = false;
  std::string defaultsFolder;
};

void AddConnectOptions(CLI::App* cmd, ConnectOptions& options) {
  cmd->add_flag("--yes", options.yes, "Answer every question with Yes / OK");
  cmd->add_option("--defaults", options.defaultsFolder,
                  "Folder of the definition files (default: Defaults beside the program)")
      ->option_text("DIR");
}

struct EventsArgs {
  ConnectOptions connect;
  std::string show;
  std::string save;
};

int LinkFailed(CommandContext& context, const std::string& what, const CommFailure& why) {
  context.err << "kvx-cli: " << what << " failed: " << why.reason << '\n';
  return kExitRelayFailed;
}

int ShowRecord(CommandContext& context, WorkingState& state, const EventLayout& layout,
               const EventRange& range, const std::string& idText) {
  const auto id = ParseInteger(idText);
  const auto number =
      id ? EventNumberOfId(*id, range, layout.family, layout.definitionFirmware) : std::nullopt;
  if (!number) {
    context.err << "kvx-cli: no retained record has ID " << idText;
    if (range.Empty()) {
      context.err << " (the relay holds no records)\n";
    } else {
      context.err << " (IDs "
                  << EventRecordId(range.first, layout.family, layout.definitionFirmware) << " to "
                  << EventRecordId(range.last, layout.family, layout.definitionFirmware) << ")\n";
    }
    return kExitBadArguments;
  }
  EventRecordRead record = ReadEventRecord(state.Comm(), *number, layout.RingSize());
  if (!record.read) return LinkFailed(context, "reading the record", record.failure);
  if (EventBlockEmpty(record.block)) {
    context.out << "Empty Record\n";
    return kExitOk;
  }
  const auto texts = EventRecordTexts(layout, record.block, EventTextUse::Screen);
  for (std::size_t i = 0; i < layout.fields.size(); ++i) {
    context.out << layout.fields[i].name << '\t' << texts[i] << '\t' << layout.fields[i].units
                << '\n';
  }
  return kExitOk;
}

// "Saving Events: 12 of 64" rewritten in place on a terminal; silent otherwise.
class RecordProgress : public ProgressSink {
 public:
  RecordProgress(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
  void Begin(std::string_view caption, int maximum) override {
    caption_ = caption;
    maximum_ = maximum;
  }
  void Position(int position) override {
    if (terminal_)
      err_ << '\r' << caption_ << ": " << position + 1 << " of " << maximum_ + 1 << std::flush;
  }
  void End() override {
    if (terminal_) err_ << '\n';
  }

 private:
  std::ostream& err_;
  bool terminal_;
  std::string caption_;
  int maximum_ = 0;
};

int SaveRecords(CommandContext& context, WorkingState& state, const EventLayout& layout,
                const EventRange& range, const std::string& file) {
  RecordProgress progress(context.err, isatty(STDERR_FILENO) == 1);
  EventSaveResult r = SaveEventRecords(state.Comm(), layout, range, file, nullptr, &progress);
  context.err << "kvx-cli: " << DescribeEventSave(r, file) << '\n';
  switch (r.outcome) {
    case EventSaveResult::Outcome::Saved:
      return kExitOk;
    case EventSaveResult::Outcome::NotCreated:
    case EventSaveResult::Outcome::NotWritten:
      return kExitFileError;
    default:
      return kExitRelayFailed;
  }
}

void AddEvents(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<EventsArgs>();
  auto* cmd = app.add_subcommand(
      "events", "The relay's event records: how many, one record's fields, or all to a file");
  AddConnectOptions(cmd, args->connect);
  auto* show = cmd->add_option("--show", args->show, "Print the fields of the record with this ID")
                   ->option_text("ID");
  cmd->add_option("--save", args->save,
                  "Save every retained record, newest first, as a tab-separated file")
      ->option_text("FILE")
      ->excludes(show);
  cmd->callback([&context, args] {
    RunConnected(
        context, args->connect.yes, args->connect.defaultsFolder, [&](WorkingState& state) {
          const EventLayout layout = EventLayoutOf(state.Store());
          long long count = 0;
          CommFailure why;
          if (!ReadEventCount(state.Comm(), count, why)) {
            return LinkFailed(context, "reading the record count", why);
          }
          const EventRange range = RetainedEvents(count, layout.RingSize());
          if (!args->show.empty()) {
            return ShowRecord(context, state, layout, range, args->show);
          }
          if (!args->save.empty()) {
            if (range.Empty()) {
              context.err << "kvx-cli: No Events to Save\n";
              return static_cast<int>(kExitRelayFailed);
            }
            return SaveRecords(context, state, layout, range, args->save);
          }
          context.out << "records: " << count << '\n';
          if (range.Empty()) return static_cast<int>(kExitOk);
          context.out << "retained: " << range.first << '-' << range.last << '\n'
                      << "newest ID: "
                      << EventRecordId(range.last, layout.family, layout.definitionFirmware) << '\n'
                      << "IDs: "
                      << (EventIdIsSlot(layout.family, layout.definitionFirmware)
                              ? "ring slots"
                              : "record numbers")
                      << '\n';
          return static_cast<int>(kExitOk);
        });
  });
}

struct ClockArgs {
  bool local = false;
  std::string text;
};

void AddClock(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ClockArgs>();
  auto* clock = app.add_subcommand("clock", "The relay's real-time clock");
  clock->require_subcommand(1);
  auto* set = clock->add_subcommand(
      "set", "Set the relay's clock to the workstation's local time or to \"YY/MM/DD hh:mm:ss\"");
  auto* local = set->add_flag("--local", args->local, "The workstation's local time");
  set->add_option("TIME", args->text, "The time as YY/MM/DD hh:mm:ss (YY = year - 2000)")
      ->excludes(local);
  set->callback([&context, args] {
    std::string text = args->text;
    if (args->local) {
      text = ClockText(LocalClockFields(std::time(nullptr)));
    } else if (text.empty() || !IsClockText(text)) {
      context.err << "kvx-cli: clock set: give --local or a time as YY/MM/DD hh:mm:ss\n";
      context.exitCode = kExitBadArguments;
      return;
    }
    context.WithLink([&](LinkSession& session) {
      ClockSetResult r = SetRelayClock(session.settings, text);
      if (!r.written) {
        context.err << "kvx-cli: the clock was not set: writing the time failed: "
                    << r.failure.reason << '\n';
        return static_cast<int>(kExitRelayFailed);
      }
      if (!r.commandSent) {
        context.err << "kvx-cli: the time was written but the command to take it failed: "
                    << r.failure.reason << '\n';
        return static_cast<int>(kExitRelayFailed);
      }
      context.err << "kvx-cli: clock set to " << text << '\n';
      return static_cast<int>(kExitOk);
    });
  });
}

void AddTripCodes(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<ConnectOptions>();
  auto* cmd = app.add_subcommand("trip-codes", "The trip and alarm codes active in the relay");
  AddConnectOptions(cmd, *options);
  cmd->callback([&context, options] {
    RunConnected(context, options->yes, options->defaultsFolder, [&](WorkingState& state) {
      std::vector<std::string> lines;
      CommFailure why;
      if (!ReadTripCodes(state.Comm(), state.Store().family, lines, why)) {
        return LinkFailed(context, "reading the trip codes", why);
      }
      for (const std::string& line : lines) context.out << line << '\n';
      return static_cast<int>(kExitOk);
    });
  });
}

}  // namespace

void RegisterEventCommands(CLI::App& app, CommandContext& context) {
  AddEvents(app, context);
  AddClock(app, context);
  AddTripCodes(app, context);
}

}  // namespace kvx::cli
