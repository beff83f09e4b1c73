// DF1 against Modbus RTU, both through our register access layer against the
// simulated relay on its own pseudo-terminals:
//  1. exchanges per second reading 1 and 100 words, unpaced;
//  2. a whole setpoint backup (connect, then save from the relay) with the
//     relay pacing its replies at 9600 baud, against the wire-time minimum
//     of the bytes that actually crossed the link (10 bits a byte). A pty
//     does not pace what the master sends, so the minimum is given for the
//     received bytes alone (what this run can reach) and for all bytes (what
//     a real half-duplex line needs).
// Prints the figures; never fails on a number.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "comm/posix_serial_port.h"
#include "comm/register_access.h"
#include "session/password_prompt.h"
#include "session/working_state.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSlice = std::chrono::milliseconds(700);
constexpr int kRounds = 3;
constexpr int kPace = 9600;

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

std::unique_ptr<kvx::sim::RelaySimulation> MakeRelay(const char* model, int firmware, int pace) {
  std::string error;
  auto config = kvx::sim::MakeRelayConfig(model, firmware, kDefaults, error);
  if (!config) {
    std::printf("no relay: %s\n", error.c_str());
    return nullptr;
  }
  kvx::sim::ServerOptions options;
  options.paceBaud = pace;
  auto relay = std::make_unique<kvx::sim::RelaySimulation>(std::move(*config), options);
  if (!relay->StartDf1Pty().ok || !relay->StartRtuPty().ok) return nullptr;
  return relay;
}

// Exchanges per second of `exchange` over one time slice; -1 after a failure.
double Rate(const std::function<bool()>& exchange) {
  for (int i = 0; i < 5; ++i) exchange();  // warm up
  int done = 0;
  const auto start = Clock::now();
  auto now = start;
  while (now - start < kSlice) {
    if (!exchange()) return -1;
    ++done;
    now = Clock::now();
  }
  return done / std::chrono::duration<double>(now - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void BenchRates() {
  auto relay = MakeRelay("DRA", 197, 0);
  if (!relay) return;
  std::printf("exchanges per second over a pty, unpaced, median of %d slices of %lld ms\n", kRounds,
              static_cast<long long>(kSlice.count()));
  std::printf("%-6s %12s %12s %8s\n", "words", "DF1", "RTU", "DF1/RTU");
  for (int count : {1, 100}) {
    std::vector<double> df1, rtu;
    std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
    for (int round = 0; round < kRounds; ++round) {
      for (auto kind : {kvx::ProtocolKind::Df1, kvx::ProtocolKind::ModbusRtu}) {
        kvx::PosixSerialPort port;
        port.SetPortName(kind == kvx::ProtocolKind::Df1 ? relay->Df1Path() : relay->RtuPath());
        kvx::CommSettings settings;
        settings.protocol = kind;
        settings.serialPort = &port;
        (kind == kvx::ProtocolKind::Df1 ? df1 : rtu).push_back(Rate([&] {
          return kvx::ReadRegisters(settings, 860, count, words);
        }));
      }
    }
    const double a = Median(df1), b = Median(rtu);
    std::printf("%-6d %12.0f %12.0f %8.2f\n", count, a, b, b > 0 ? a / b : 0.0);
  }
}

struct Backup {
  bool ok = false;
  double seconds = 0;
  std::size_t sent = 0, received = 0, exchanges = 0;
};

Backup RunBackup(kvx::sim::RelaySimulation& relay, kvx::ProtocolKind kind) {
  kvx::ScriptedDialogs dialogs;
  kvx::ScriptedPasswordPrompt passwords;
  kvx::WorkingState state(dialogs, passwords, kDefaults);
  Backup b;
  state.Port().SetPortName(kind == kvx::ProtocolKind::Df1 ? relay.Df1Path() : relay.RtuPath());
  state.Comm().protocol = kind;
  state.Port().SetFrameTrace([&b](kvx::FrameDirection d, std::span<const std::uint8_t> bytes) {
    (d == kvx::FrameDirection::Tx ? b.sent : b.received) += bytes.size();
    b.exchanges += d == kvx::FrameDirection::Tx;
  });
  const auto folder = std::filesystem::temp_directory_path() / "kvx_bench_df1";
  std::filesystem::create_directories(folder);
  const auto start = Clock::now();
  b.ok = state.ConnectUnit() &&
         state.SaveSetpointFile(folder / "backup.cds") == kvx::SaveOutcome::Saved;
  b.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::filesystem::remove_all(folder);
  return b;
}

void BenchBackup() {
  std::printf("\nwhole setpoint backup (connect + save from the relay), relay paced at %d baud\n",
              kPace);
  std::printf("%-9s %-4s %8s %8s %8s %9s %9s %10s %10s\n", "model", "link", "frames", "sent",
              "received", "time s", "min rx s", "time/rx", "time/all");
  struct Relay {
    const char* model;
    int firmware;
  };
  for (const Relay& r : {Relay{"DRA", 197}, Relay{"DRB-50", 123}, Relay{"FDX-50", 105}}) {
    const char* model = r.model;
    auto relay = MakeRelay(model, r.firmware, kPace);
    if (!relay) continue;
    for (auto kind : {kvx::ProtocolKind::Df1, kvx::ProtocolKind::ModbusRtu}) {
      const Backup b = RunBackup(*relay, kind);
      const double perByte = 10.0 / kPace;
      const double minRx = b.received * perByte;
      const double minAll = (b.sent + b.received) * perByte;
      std::printf("%-9s %-4s %8zu %8zu %8zu %9.2f %9.2f %10.2f %10.2f%s\n", model,
                  kind == kvx::ProtocolKind::Df1 ? "DF1" : "RTU", b.exchanges, b.sent, b.received,
                  b.seconds, minRx, minRx > 0 ? b.seconds / minRx : 0.0,
                  minAll > 0 ? b.seconds / minAll : 0.0, b.ok ? "" : "  (FAILED)");
    }
  }
}

}  // namespace

int main() {
  BenchRates();
  BenchBackup();
  return 0;
}
