#include "cli/monitor_commands.h"

#include <signal.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "cli/cli_dialogs.h"
#include "cli/online_exit.h"
#include "monitor/metering_log_row.h"
#include "monitor/metering_model.h"
#include "monitor/poll_cycles.h"
#include "monitor/status_model.h"
#include "monitor/unattended_log.h"
#include "session/working_state.h"
#include "setpoints/defaults_location.h"

namespace kvx::cli {
namespace {

struct MonitorOptions {
  bool watch = false;
  bool yes = false;
  std::string defaultsFolder;
};

void AddMonitorOptions(CLI::App* cmd, MonitorOptions& options) {
  cmd->add_flag("--watch", options.watch,
                "Repeat at the poll's own pace, each block headed by the local time, until "
                "interrupted (Ctrl-C)");
  cmd->add_flag("--yes", options.yes, "Answer every question with Yes / OK");
  cmd->add_option("--defaults", options.defaultsFolder,
                  "Folder of the definition files (default: Defaults beside the program)")
      ->option_text("DIR");
}

// Ctrl-C and SIGTERM end a watch between two exchanges (or after the attempt
// in flight): the link is closed as after any other command.
std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) {
  interrupted.store(true);
}

class InterruptGuard {
 public:
  InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
  }

 private:
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// "2026-12-10T21:45:03+01:00".
std::string LocalTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string out = text;
  if (out.size() >= 5) out.insert(out.size() - 2, ":");
  return out;
}

void PauseUnlessInterrupted(std::chrono::milliseconds total) {
  const auto end = std::chrono::steady_clock::now() + total;
  while (!interrupted.load() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int ConnectFailed(const WorkingState& state, std::ostream& err) {
  err << "kvx-cli: " << state.View().networkText;
  if (!state.LastLinkFailure().reason.empty()) err << ": " << state.LastLinkFailure().reason;
  if (!state.LastLoadError().empty()) err << ": " << state.LastLoadError();
  err << '\n';
  return state.LastConnectFailure() == ConnectFailure::NoDefinitionFile
             ? static_cast<int>(kExitFileError)
             : static_cast<int>(kExitRelayFailed);
}

// One cycle, read into the state's model and printed.
enum class CycleEnd {
  Shown,
  ReadFailed,  // a watch goes on (more slowly)
  Ended        // the relay is no longer the one connected to: a watch ends too
};
using Cycle = std::function<CycleEnd(WorkingState&, const std::atomic<bool>& stop)>;

void RunMonitor(CommandContext& context, const MonitorOptions& options, const Cycle& cycle,
                std::chrono::milliseconds pauseOk, std::chrono::milliseconds pauseFailed) {
  context.WithLink([&](LinkSession& session) {
    CliDialogs dialogs(context.err, options.yes);
    CliPasswords passwords("");
    WorkingState state(dialogs, passwords,
                       FindDefaultsFolder(ProgramFolder(), options.defaultsFolder));
    state.UseLink(std::move(session.serialPort), std::move(session.tcpClient), session.settings);
    int code = kExitOk;
    if (!state.ConnectUnit()) {
      code = ConnectFailed(state, context.err);
    } else {
      InterruptGuard guard;
      interrupted.store(false);
      state.Comm().stopRequest = &interrupted;
      do {
        if (options.watch) context.out << LocalTimestamp() << '\n';
        const CycleEnd end = cycle(state, interrupted);
        if (interrupted.load()) break;
        context.out.flush();
        const bool ok = end == CycleEnd::Shown;
        if (!options.watch || end == CycleEnd::Ended) {
          code = ok ? kExitOk : kExitRelayFailed;
          break;
        }
        context.out << '\n';
        context.out.flush();
        PauseUnlessInterrupted(ok ? pauseOk : pauseFailed);
      } while (!interrupted.load());
      state.Comm().stopRequest = nullptr;
    }
    state.DisconnectUnit();
    return dialogs.Refused() ? kExitQuestionRefused : code;
  });
}

void AddMeter(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<MonitorOptions>();
  auto* cmd = app.add_subcommand(
      "meter",
      "Read the relay's metering once, as the Metering page shows it: "
      "REGISTER<TAB>NAME<TAB>VALUE<TAB>UNITS a row (per-unit rows without a register)");
  AddMonitorOptions(cmd, *options);
  cmd->callback([&context, options] {
    RunMonitor(
        context, *options,
        [&context](WorkingState& state, const std::atomic<bool>& stop) {
          MeteringSnapshot snapshot;
          ReadMeteringCycle(state.Comm(), snapshot, stop);
          if (stop.load()) return CycleEnd::ReadFailed;
          if (!snapshot.readOk) {
            context.err << "kvx-cli: metering read failed: " << snapshot.failure.reason << '\n';
            return CycleEnd::ReadFailed;
          }
          state.MeteringView().Apply(snapshot);
          for (const MeteringModel::ShownRow& row : state.MeteringView().ShownRows()) {
            context.out << (row.reg >= 0 ? std::to_string(row.reg) : std::string()) << '\t'
                        << row.name << '\t' << row.value << '\t' << row.units << '\n';
          }
          return CycleEnd::Shown;
        },
        kMeteringPauseOk, kMeteringPauseFailed);
  });
}

void AddStatus(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<MonitorOptions>();
  auto cycleState = std::make_shared<StatusCycleState>();
  auto* cmd = app.add_subcommand(
      "status",
      "Read the relay's status once: the texts of the status panels one a line (trips and "
      "alarms, state, third panel, inputs, outputs, clock), then the link");
  AddMonitorOptions(cmd, *options);
  cmd->callback([&context, options, cycleState] {
    *cycleState = StatusCycleState{};
    RunMonitor(
        context, *options,
        [&context, cycleState](WorkingState& state, const std::atomic<bool>& stop) {
          StatusSnapshot snapshot;
          ReadStatusCycle(state.Comm(), *cycleState, snapshot, stop);
          if (stop.load()) return CycleEnd::ReadFailed;
          StatusModel& model = state.StatusView();  // built by the connect for this relay
          const StatusOutcome outcome = model.Apply(snapshot);
          if (outcome == StatusOutcome::Shown) {
            for (const StatusPanel& panel : model.Panels()) context.out << panel.text << '\n';
            context.out << model.TimeText() << '\n';
            context.out << "link: " << model.NetworkText() << '\n';
            return CycleEnd::Shown;
          }
          if (outcome == StatusOutcome::IdentityChanged) {
            context.out << "link: " << model.NetworkText()
                        << ": another model code or firmware than the relay connected to\n";
            return CycleEnd::Ended;
          }
          context.out << "link: " << model.NetworkText() << ": " << snapshot.failure.reason << '\n';
          return CycleEnd::ReadFailed;
        },
        kStatusPauseOk, kStatusPauseFailed);
  });
}

// Metering for the unattended logger: one cycle on the connected relay, as
// the Metering page would show it. A TCP link that was lost is opened again
// by the next exchange, so a relay that comes back is logged again.
class ConnectedMetering : public MeteringSource {
 public:
  explicit ConnectedMetering(WorkingState& state) : state_(state) {}
  bool ReadCycle(DataLogRow& row, std::string& reason) override {
    MeteringSnapshot snapshot;
    ReadMeteringCycle(state_.Comm(), snapshot, interrupted);
    if (interrupted.load()) {
      reason = "interrupted";
      return false;
    }
    state_.MeteringView().Apply(snapshot);
    if (!snapshot.readOk) {
      reason = snapshot.failure.reason.empty() ? "no answer" : snapshot.failure.reason;
      return false;
    }
    row = MeteringLogRow(state_.MeteringView());
    return true;
  }

 private:
  WorkingState& state_;
};

struct LogOptions {
  std::string base;
  int periodSeconds = kDataLogDefaultPeriodMs / 1000;
  std::optional<double> durationSeconds;
  MonitorOptions monitor;
};

void AddLog(CLI::App& app, CommandContext& context) {
  auto options = std::make_shared<LogOptions>();
  auto* cmd = app.add_subcommand(
      "log",
      "Log the relay's metering to daily files BASE_YYYYMMDD.txt (the window's data log), one "
      "line per period with fresh values, until --duration ends or Ctrl-C / SIGTERM");
  cmd->add_option("--out", options->base, "Base of the log files (a .txt ending is taken off)")
      ->option_text("BASE")
      ->required();
  cmd->add_option("--period", options->periodSeconds, "Seconds between lines (default 4)")
      ->option_text("SECONDS")
      ->check(CLI::Range(kDataLogMinPeriodMs / 1000, kDataLogMaxPeriodSeconds));
  cmd->add_option("--duration", options->durationSeconds, "Stop after this many seconds")
      ->option_text("SECONDS")
      ->check(CLI::PositiveNumber);
  cmd->add_flag("--yes", options->monitor.yes, "Answer every question with Yes / OK");
  cmd->add_option("--defaults", options->monitor.defaultsFolder,
                  "Folder of the definition files (default: Defaults beside the program)")
      ->option_text("DIR");
  cmd->callback([&context, options] {
    context.WithLink([&](LinkSession& session) {
      CliDialogs dialogs(context.err, options->monitor.yes);
      CliPasswords passwords("");
      WorkingState state(dialogs, passwords,
                         FindDefaultsFolder(ProgramFolder(), options->monitor.defaultsFolder));
      state.UseLink(std::move(session.serialPort), std::move(session.tcpClient), session.settings);
      if (!state.ConnectUnit()) {
        const int code = ConnectFailed(state, context.err);
        return dialogs.Refused() ? kExitQuestionRefused : code;
      }
      InterruptGuard guard;
      interrupted.store(false);
      state.Comm().stopRequest = &interrupted;
      UnattendedLogOptions log;
      log.base = DataLogBaseFromChosenPath(options->base);
      log.periodMs = options->periodSeconds * 1000;
      log.pollMs = static_cast<int>(kMeteringPauseOk.count());
      if (options->durationSeconds) {
        log.durationMs = static_cast<std::int64_t>(*options->durationSeconds * 1000.0);
      }
      context.err << "Logging " << state.Store().unitName << " metering to " << log.base
                  << "_YYYYMMDD.txt every " << options->periodSeconds << " s\n";
      ConnectedMetering metering(state);
      SystemLoggerClock clock;
      const UnattendedLogResult r =
          RunUnattendedLog(log, metering, clock, interrupted, context.err);
      state.Comm().stopRequest = nullptr;
      state.DisconnectUnit();
      context.out << "Wrote " << r.linesWritten << (r.linesWritten == 1 ? " line" : " lines")
                  << "; " << r.periodsWithoutData
                  << (r.periodsWithoutData == 1 ? " period" : " periods")
                  << " had no fresh metering";
      if (r.linesFailed > 0) context.out << "; " << r.linesFailed << " could not be written";
      context.out << '\n';
      return r.linesFailed > 0 && r.linesWritten == 0 ? static_cast<int>(kExitFileError)
                                                      : static_cast<int>(kExitOk);
    });
  });
}

}  // namespace

void RegisterMonitorCommands(CLI::App& app, CommandContext& context) {
  AddMeter(app, context);
  AddStatus(app, context);
  AddLog(app, context);
}

}  // namespace kvx::cli
