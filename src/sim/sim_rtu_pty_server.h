#pragma once
// Modbus RTU (or A-B DF1) for a simulated relay on a pseudo-terminal it creates. The
// master opens the terminal's device (or the link made to it); the relay
// answers on the other end, on one background thread, optionally pacing its
// reply bytes at a line speed so that a master sees realistic timing.

#include <string>
#include <thread>

#include "sim/modbus_device.h"
#include "sim/sim_server_common.h"

namespace kvx::sim {

// What the relay speaks on its terminal.
enum class SerialFraming { ModbusRtu, Df1 };

class SimRtuPtyServer {
 public:
  SimRtuPtyServer(ModbusDevice& device, ServerOptions options,
                  SerialFraming framing = SerialFraming::ModbusRtu);
  ~SimRtuPtyServer();
  SimRtuPtyServer(const SimRtuPtyServer&) = delete;
  SimRtuPtyServer& operator=(const SimRtuPtyServer&) = delete;

  // Creates the pseudo-terminal and, when `linkPath` is not empty, a symbolic
  // link there to the master's device (an existing symbolic link is replaced,
  // any other file is left alone and the start fails).
  SimStatus Start(const std::string& linkPath);
  // Stops serving, removes the link (if it still points to this terminal)
  // and closes the terminal; waits for the thread.
  void Stop();

  const std::string& DevicePath() const { return devicePath_; }  // e.g. /dev/pts/7
  const std::string& LinkPath() const { return linkPath_; }
  // The path a master should open: the link when there is one.
  const std::string& MasterPath() const { return linkPath_.empty() ? devicePath_ : linkPath_; }
  bool Running() const { return thread_.joinable(); }

 private:
  void Run();
  void RunRtu();
  void RunDf1();
  void SendReply(const std::vector<std::uint8_t>& bytes);

  ModbusDevice& device_;
  ServerOptions options_;
  SerialFraming framing_;
  FaultInjector faults_;
  WakePipe wake_;
  int ptyFd_ = -1;     // the relay's end
  int deviceFd_ = -1;  // the master's end, held open so the relay's end never sees a hang-up
  std::string devicePath_;
  std::string linkPath_;
  std::thread thread_;
};

}  // namespace kvx::sim
