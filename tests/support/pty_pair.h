#pragma once
// Pseudo-terminal pairs for serial tests and benchmarks: the code under test
// opens the slave by name like any serial device, the test talks through the
// master.

#include <atomic>
#include <string>
#include <thread>

namespace kvx::test {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool Ok() const { return master_ >= 0; }  // false when no pty was available
  int MasterFd() const { return master_; }
  const std::string& SlaveName() const { return slaveName_; }

 private:
  int master_ = -1;
  int slave_ = -1;  // kept open so the master never sees a hang-up between openers
  std::string slaveName_;
};

// Two pty pairs whose masters are joined by a thread copying bytes both ways:
// a null-modem cable between two real tty devices, for peers that open a
// device by name themselves.
class PtyCable {
 public:
  PtyCable();
  ~PtyCable();
  const std::string& EndA() const { return a_.SlaveName(); }
  const std::string& EndB() const { return b_.SlaveName(); }

 private:
  void Run();
  PtyPair a_;
  PtyPair b_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvx::test
