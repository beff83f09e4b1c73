#pragma once
// A Modbus RTU slave on the master side of a pty pair, for tests. It checks
// every request frame it gets (length by function, CRC, unit) and counts the
// good and bad ones, so a test sees interleaved or corrupted requests; it
// answers from a RegisterBank, with faults from a FaultPlan.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "support/fault_plan.h"
#include "support/pty_pair.h"
#include "support/register_bank.h"

namespace kvx::test {

class RtuResponder {
 public:
  explicit RtuResponder(std::uint8_t unit = 254);
  ~RtuResponder();

  const std::string& PortName() const { return pty_.SlaveName(); }
  RegisterBank& Registers() { return registers_; }
  FaultPlan& Faults() { return faults_; }

  int Requests() const { return requests_; }          // good frames to our unit
  int BadFrames() const { return badFrames_; }        // bad CRC, unknown function, torn frame
  int OtherUnitFrames() const { return otherUnit_; }  // good frames to another unit
  int CoilWrites() const { return coilWrites_; }      // coils forced and acknowledged
  std::vector<std::uint8_t> LastRequest();
  std::vector<int> CoilsForced();  // coil numbers of every coil request received

 private:
  void Run();
  bool ReadExactly(std::uint8_t* into, std::size_t n, int timeoutMs);
  void Handle(const std::vector<std::uint8_t>& request);
  void Reply(std::vector<std::uint8_t> reply, bool appendCrc = true);
  void Drain();

  PtyPair pty_;
  std::uint8_t unit_;
  RegisterBank registers_;
  FaultPlan faults_;
  std::atomic<int> requests_{0};
  std::atomic<int> badFrames_{0};
  std::atomic<int> otherUnit_{0};
  std::atomic<int> coilWrites_{0};
  std::mutex guard_;
  std::vector<std::uint8_t> lastRequest_;
  std::vector<int> coils_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvx::test
