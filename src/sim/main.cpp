// kvx-relay-sim: a simulated relay on Modbus TCP and/or Modbus RTU over a
// pseudo-terminal, for training, demonstrations and tests.

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "kvx_version.h"
#include "setpoints/defaults_location.h"
#include "sim/control_channel.h"
#include "sim/relay_simulation.h"
#include "sim/sim_rtu_pty_server.h"
#include "sim/sim_tcp_server.h"
#include "sim/simulated_relay.h"

int main(int argc, char** argv) {
  using namespace kvx::sim;
  CLI::App app{"kvx-relay-sim: a simulated protective relay on Modbus TCP, Modbus RTU and A-B DF1",
               "kvx-relay-sim"};
  app.set_version_flag("--version", std::string("kvx-relay-sim ") + kvx::kVersion);
  std::string modelName = "DRA";
  int firmware = -1;
  std::int64_t serial = 12345;
  int unit = 254;
  std::string password = "1234";
  int events = 12;
  std::string defaults;
  std::string tcp;
  std::string ptyLink;
  std::string df1Link;
  int paceBaud = 0;
  int modelCode = -1;
  FaultOptions faults;
  app.add_option("--model", modelName, "DRA, DRB-50, FDX-50, QRT-3600, QRT-2600 or QRT-4700")
      ->capture_default_str();
  app.add_option("--firmware", firmware, "firmware number in hundredths (197 = 1.97)")
      ->check(CLI::Range(0, 65535));
  app.add_option("--serial", serial, "serial number")->capture_default_str();
  app.add_option("--unit", unit, "Modbus address / unit id")
      ->check(CLI::Range(1, 254))
      ->capture_default_str();
  app.add_option("--password", password, "access password")->capture_default_str();
  app.add_option("--events", events, "event records written so far")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  app.add_option("--defaults", defaults,
                 "folder of definition files (default: Defaults beside "
                 "the program)");
  double idleSeconds = 60;
  app.add_option("--tcp", tcp,
                 "serve Modbus TCP on HOST:PORT (PORT 0: any free port); up to " +
                     std::to_string(SimTcpServer::kMaxClients) +
                     " clients at once, further connections wait until one ends; a client "
                     "that leaves its replies unread for " +
                     std::to_string(SimTcpServer::kDrainTime.count() / 1000) + " s is dropped");
  app.add_option("--idle-timeout", idleSeconds,
                 "close a TCP client that has sent nothing for this many seconds")
      ->check(CLI::Range(0.05, 86400.0))
      ->capture_default_str();
  app.add_option("--rtu-pty", ptyLink,
                 "serve Modbus RTU on a new pseudo-terminal, linked at this path");
  app.add_option("--df1-pty", df1Link,
                 "serve A-B DF1 half-duplex on a new pseudo-terminal, linked at this path");
  app.add_option("--pace-baud", paceBaud,
                 "send RTU and DF1 reply bytes at this line speed (10 bits a byte)")
      ->check(CLI::Range(0, 10000000));
  app.add_option("--model-code", modelCode, "report this model code in register 0 instead")
      ->check(CLI::Range(0, 65535));
  app.add_option("--drop-rate", faults.dropRate, "share of replies not sent")
      ->check(CLI::Range(0.0, 1.0));
  app.add_option("--corrupt-rate", faults.corruptRate,
                 "share of replies with one bit flipped (TCP: in the header, function or count)")
      ->check(CLI::Range(0.0, 1.0));
  app.add_option("--garbage-rate", faults.garbageRate, "share of replies preceded by random bytes")
      ->check(CLI::Range(0.0, 1.0));
  app.add_option("--delay-ms", faults.delayMs, "delay before every reply")
      ->check(CLI::Range(0, 600000));
  app.add_option("--split-ms", faults.splitMs,
                 "send each TCP reply in three pieces this many ms apart")
      ->check(CLI::Range(0, 60000));
  app.add_option("--df1-eot-polls", faults.df1EotPolls,
                 "DF1: answer the first N polls after each message with DLE EOT")
      ->check(CLI::Range(0, 1000));
  app.add_option("--df1-nak-every", faults.df1NakEvery,
                 "DF1: refuse every Nth good message with DLE NAK")
      ->check(CLI::Range(0, 1000000));
  app.add_option("--seed", faults.seed, "seed of the fault draws");
  app.add_option("--exception-at", faults.exceptionAt,
                 "answer every request touching this register with exception 2")
      ->check(CLI::Range(0, 65535));
  bool steady = false;
  app.add_flag("--steady", steady,
               "metering at exact, unchanging values: no ripple, totals that stand still "
               "(the readings then follow only the plant: currents, temperatures, commands)");
  app.footer(
      "Control channel: while running, the simulator takes one command a line on its "
      "standard input and answers \"ok\" or \"error: ...\" on standard output:\n" +
      kvx::sim::ControlCommandHelp() + "  help                  list these commands");
  CLI11_PARSE(app, argc, argv);

  auto model = FindSimModel(modelName);
  if (!model) {
    std::cerr << "kvx-relay-sim: unknown model \"" << modelName << "\"\n";
    return 2;
  }
  if (tcp.empty() && ptyLink.empty() && df1Link.empty()) {
    std::cerr << "kvx-relay-sim: give --tcp HOST:PORT, --rtu-pty LINK and/or --df1-pty LINK\n";
    return 2;
  }
  std::string host;
  int port = 0;
  if (!tcp.empty() && !ParseHostPort(tcp, host, port)) {
    std::cerr << "kvx-relay-sim: --tcp wants HOST:PORT, not \"" << tcp << "\"\n";
    return 2;
  }
  if (firmware < 0) firmware = model->family == 1 ? 190 : 100;

  const std::filesystem::path folder =
      kvx::FindDefaultsFolder(kvx::ProgramFolder(), std::filesystem::path(defaults));
  std::string note;
  auto made = MakeRelayConfig(modelName, firmware, folder, note);
  if (!made) {
    std::cerr << "kvx-relay-sim: " << note << "\n";
    return 1;
  }
  if (!note.empty())
    std::cerr << "kvx-relay-sim: warning: " << note << "; serving without settings\n";
  RelayConfig config = std::move(*made);
  if (modelCode >= 0) config.model.code = modelCode;
  config.serial = static_cast<std::int32_t>(serial);
  config.password = password;
  config.events = events;
  config.steady = steady;

  // The servers' threads inherit this mask; the signals are taken below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  ServerOptions options;
  options.unit = unit;
  options.paceBaud = paceBaud;
  options.idleTimeout = std::chrono::milliseconds(std::llround(idleSeconds * 1000));
  options.faults = faults;
  std::printf("kvx-relay-sim: %s firmware %d.%02d serial %lld unit %d\n",
              std::string(model->name).c_str(), firmware / 100, firmware % 100,
              static_cast<long long>(serial), unit);
  if (!config.definition.sourceFile.empty()) {
    std::printf("definitions: %s (%zu settings)\n", config.definition.sourceFile.c_str(),
                config.definition.settings.size());
  }
  RelaySimulation sim(std::move(config), options);
  if (!tcp.empty()) {
    SimStatus s = sim.StartTcp(host, port);
    if (!s.ok) {
      std::cerr << "kvx-relay-sim: " << s.error << "\n";
      return 1;
    }
    std::printf("tcp: %s:%d\n", host.c_str(), sim.TcpPort());
  }
  if (!ptyLink.empty()) {
    std::error_code linkError;
    SimStatus s = sim.StartRtuPty(ptyLink);
    if (!s.ok) {
      std::cerr << "kvx-relay-sim: " << s.error << "\n";
      return 1;
    }
    std::printf("rtu: %s -> %s\n", ptyLink.c_str(),
                std::filesystem::read_symlink(ptyLink, linkError).c_str());
  }
  if (!df1Link.empty()) {
    std::error_code linkError;
    SimStatus s = sim.StartDf1Pty(df1Link);
    if (!s.ok) {
      std::cerr << "kvx-relay-sim: " << s.error << "\n";
      return 1;
    }
    std::printf("df1: %s -> %s\n", df1Link.c_str(),
                std::filesystem::read_symlink(df1Link, linkError).c_str());
  }
  std::printf("ready\n");
  std::fflush(stdout);

  std::atomic<bool> stopControl{false};
  std::thread control(
      [&] { kvx::sim::ServeControlChannel(sim, STDIN_FILENO, stdout, stopControl); });
  int sig = 0;
  sigwait(&stopSignals, &sig);
  stopControl = true;
  control.join();
  sim.Stop();
  std::printf("stopped (%s)\n", sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "SIGHUP");
  return 0;
}
