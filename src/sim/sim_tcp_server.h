#pragma once
// Modbus TCP for a simulated relay: listens on an IPv4 address, serves up to
// kMaxClients clients at once on one background thread, answers unit ids
// equal to the relay's unit, 0 and 255 (other ids get exception 0x0B, as a
// gateway answers for a device it does not have), echoes each transaction id.
//
// No client can shut the others out: every socket is non-blocking, a client
// idle for ServerOptions::idleTimeout is closed, one that leaves its replies
// unread (kDrainTime without progress, or more than kMaxUnsent bytes waiting)
// is dropped, and connections beyond the limit wait in the listen queue until
// a place frees. A reply delay (--delay-ms) holds back that client's reply
// only.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

#include "sim/modbus_device.h"
#include "sim/sim_server_common.h"

namespace kvx::sim {

class SimTcpServer {
 public:
  static constexpr int kMaxClients = 32;
  static constexpr std::chrono::milliseconds kDrainTime{2000};
  static constexpr std::size_t kMaxUnsent = 64 * 1024;

  SimTcpServer(ModbusDevice& device, ServerOptions options);
  ~SimTcpServer();
  SimTcpServer(const SimTcpServer&) = delete;
  SimTcpServer& operator=(const SimTcpServer&) = delete;

  // Binds host:port (port 0: any free port) and starts serving.
  SimStatus Start(const std::string& host, int port);
  // Stops serving and closes every socket; waits for the thread.
  void Stop();

  int Port() const { return port_; }
  bool Running() const { return thread_.joinable(); }

 private:
  void Run();
  ModbusDevice& device_;
  ServerOptions options_;
  FaultInjector faults_;
  WakePipe wake_;
  int listenFd_ = -1;
  int port_ = 0;
  std::thread thread_;
};

// "HOST:PORT" into its parts; false when it does not read so.
bool ParseHostPort(const std::string& text, std::string& host, int& port);

}  // namespace kvx::sim
