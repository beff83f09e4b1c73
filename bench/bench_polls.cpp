// What the metering and status polls cost:
//  - CPU of `kvx-comm --demo` idle online with both polls running, over 30 s
//    (offscreen; skipped when the program is not built), and
//  - an Apply of a few settings over Modbus RTU paced at 9600 baud, alone and
//    with both polls running beside it: the difference per setting against
//    the longest poll exchange.
// Prints figures; never fails on a number.
//
//   bench_polls [seconds]   (default 30)

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "session/working_state.h"
#include "setpoints/number_text.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

// utime + stime of `pid` in clock ticks; -1 when it cannot be read.
long long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string f;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stoll(f);
    if (i == 15) stime = std::stoll(f);
  }
  return utime + stime;
}

void IdleCpu(int seconds) {
  const std::string program = std::string(KVX_BINARY_DIR) + "/bin/kvx-comm";
  if (access(program.c_str(), X_OK) != 0) {
    std::printf("kvx-comm --demo idle CPU: skipped (%s not built)\n", program.c_str());
    return;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("KVX_TEST_MODE", "1", 1);
    execl(program.c_str(), program.c_str(), "--demo", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(6s);  // start-up and connect
  const long long before = CpuTicks(pid);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const long long after = CpuTicks(pid);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  const double percent = (after - before) / ticks / seconds * 100.0;
  std::printf("kvx-comm --demo idle online, both polls running, %d s: %.2f %% of one core\n",
              seconds, before < 0 || after < 0 ? -1.0 : percent);
}

int EditableNumber(const kvx::SettingStore& store, int skip) {
  for (int g = 0; g < kvx::kSetpointGroupLimit; ++g) {
    for (int x : store.groups[g].RegisterList()) {
      const kvx::SettingRecord& r = store.settings[x];
      if (!r.setting.empty() && r.access == 0 && (r.typeCode == 3 || r.typeCode == 1) &&
          kvx::ParseNumber(r.maxText).value_or(0) >= kvx::ParseNumber(r.minText).value_or(0) + 3 &&
          skip-- == 0) {
        return x;
      }
    }
  }
  return -1;
}

// Seconds one Apply of `count` settings takes; -1 when it did not verify all.
double TimeApply(kvx::sim::RelaySimulation& relay, bool polls, int count, int round) {
  kvx::ScriptedDialogs dialogs;
  kvx::ScriptedPasswordPrompt passwords({"1234", "1234"});
  kvx::WorkingState state(dialogs, passwords, kDefaults);
  state.Port().SetPortName(relay.RtuPath());
  state.Comm().protocol = kvx::ProtocolKind::ModbusRtu;
  if (polls) {
    kvx::PollSinks sinks;
    sinks.meteringShown = [] {};
    sinks.statusShown = [](kvx::StatusOutcome) {};
    state.SetPollSinks(std::move(sinks));
  }
  if (!state.ConnectUnit()) return -1;
  if (polls) std::this_thread::sleep_for(1500ms);  // both polls under way
  for (int k = 0; k < count; ++k) {
    const int reg = EditableNumber(state.Store(), k);
    if (reg < 0) return -1;
    auto& s = state.Store().settings[reg];
    s.value = kvx::FormatGeneral(*kvx::ParseNumber(s.minText) + 1 + (round + k) % 2);
    s.changed = 1;
  }
  state.SetPendingChanges(true);
  // The password check happens first, outside the timing.
  state.PasswordGate();
  const auto start = Clock::now();
  const kvx::ApplyResult r = state.ApplyChanges();
  const double took = std::chrono::duration<double>(Clock::now() - start).count();
  state.DisconnectUnit();
  return static_cast<int>(r.written.size()) == count ? took : -1;
}

void ApplyBesidePolls() {
  std::string error;
  auto config = kvx::sim::MakeRelayConfig("DRA", 230, kDefaults, error);
  kvx::sim::ServerOptions options;
  options.paceBaud = 9600;
  kvx::sim::RelaySimulation relay(*config, options);
  if (!relay.StartRtuPty().ok) {
    std::printf("apply beside the polls: no pseudo-terminal\n");
    return;
  }
  constexpr int kSettings = 5;
  std::vector<double> alone, polled;
  for (int round = 0; round < 3; ++round) {
    alone.push_back(TimeApply(relay, false, kSettings, round));
    polled.push_back(TimeApply(relay, true, kSettings, round));
  }
  std::sort(alone.begin(), alone.end());
  std::sort(polled.begin(), polled.end());
  // The longest poll exchange: 100 registers, 8 bytes out and 205 back, 10 bits a byte.
  const double longest = (8 + 205) * 10.0 / 9600;
  std::printf(
      "apply of %d settings, RTU at 9600 baud (median of 3): alone %.3f s, beside both polls "
      "%.3f s; %.3f s more per setting (longest poll exchange %.3f s)\n",
      kSettings, alone[1], polled[1], (polled[1] - alone[1]) / kSettings, longest);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  ApplyBesidePolls();
  IdleCpu(seconds > 0 ? seconds : 30);
  return 0;
}
