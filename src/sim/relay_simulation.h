#pragma once
// A whole simulated relay for embedding (tests, the desktop program's demo):
// the relay with its definition loaded, and its TCP and RTU servers on
// background threads.
//
//   std::string error;
//   auto config = MakeRelayConfig("DRA", 197, defaultsFolder, error);
//   RelaySimulation sim(*config);
//   sim.StartTcp();          // 127.0.0.1, any free port: sim.TcpPort()
//   sim.StartRtuPty();       // the master opens sim.RtuPath()
//   ...
//   sim.Stop();              // or let the destructor do it

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "sim/sim_rtu_pty_server.h"
#include "sim/sim_tcp_server.h"
#include "sim/simulated_relay.h"

namespace kvx::sim {

// The relay of `model` at `firmware`, with the settings of its definition
// file from `defaultsFolder` (found as the program finds it, older firmware
// files as fallback). A model name that is unknown, or a definition file that
// does not load, gives nothing and the reason; a folder without any file for
// the model gives a relay without settings and a note in `error`.
std::optional<RelayConfig> MakeRelayConfig(std::string_view model, int firmware,
                                           const std::filesystem::path& defaultsFolder,
                                           std::string& error);

class RelaySimulation {
 public:
  explicit RelaySimulation(RelayConfig config, ServerOptions options = {});
  ~RelaySimulation();
  RelaySimulation(const RelaySimulation&) = delete;
  RelaySimulation& operator=(const RelaySimulation&) = delete;

  SimStatus StartTcp(const std::string& host = "127.0.0.1", int port = 0);
  // `link` empty: no symbolic link; RtuPath() is then the terminal's device.
  SimStatus StartRtuPty(const std::string& link = "");
  // A-B DF1 half-duplex on a second terminal.
  SimStatus StartDf1Pty(const std::string& link = "");
  void Stop();

  int TcpPort() const { return tcp_ ? tcp_->Port() : 0; }
  std::string RtuPath() const { return rtu_ ? rtu_->MasterPath() : std::string(); }
  std::string Df1Path() const { return df1_ ? df1_->MasterPath() : std::string(); }
  SimulatedRelay& Relay() { return relay_; }

  // The trips and alarms a trainer or a test raises while the relay runs
  // (the control channel's `trip`, `alarm` and `clear` come here, and any
  // other front end to them should too).
  bool Trip(int code) { return relay_.Trip(code); }
  void Alarm(int code) { relay_.Alarm(code); }
  void ClearTrips() { relay_.ClearTrips(); }
  const ServerOptions& Options() const { return options_; }

 private:
  SimulatedRelay relay_;
  ServerOptions options_;
  std::unique_ptr<SimTcpServer> tcp_;
  std::unique_ptr<SimRtuPtyServer> rtu_;
  std::unique_ptr<SimRtuPtyServer> df1_;
};

}  // namespace kvx::sim
