#pragma once
// A Modbus TCP server on 127.0.0.1 (a free port), for tests: one connection at
// a time, functions 3 and 16 from a RegisterBank, faults from a FaultPlan.
// Counts connections and requests so tests see reconnections and traffic.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "support/fault_plan.h"
#include "support/register_bank.h"

namespace kvx::test {

class TcpResponder {
 public:
  TcpResponder();
  ~TcpResponder();

  std::uint16_t Port() const { return port_; }
  RegisterBank& Registers() { return registers_; }
  FaultPlan& Faults() { return faults_; }
  int Connections() const { return connections_; }
  int Requests() const { return requests_; }
  std::vector<std::uint8_t> LastRequest();

 private:
  void Run();
  void Serve(int fd);
  bool Handle(int fd, const std::vector<std::uint8_t>& request);

  int listener_ = -1;
  std::uint16_t port_ = 0;
  RegisterBank registers_;
  FaultPlan faults_;
  std::atomic<int> connections_{0};
  std::atomic<int> requests_{0};
  std::mutex guard_;
  std::vector<std::uint8_t> lastRequest_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvx::test
