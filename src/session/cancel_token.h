#pragma once
// A request to stop a running sequence, set from any thread and looked at by
// the sequence between two exchanges with the relay: an exchange under way is
// never cut, so the relay and the loaded settings always agree on what got
// through.

#include <atomic>

namespace kvx {

class CancelToken {
 public:
  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> cancelled_{false};
};

}  // namespace kvx
