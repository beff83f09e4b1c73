#pragma once
// Faults a test can ask the simulator to inject into its replies. Each reply
// draws, in this order: dropped (nothing is sent), garbage (1..16 random bytes
// sent ahead of it), corrupted (one byte of the reply flipped). The draws are
// seeded, so a run repeats exactly for the same seed and the same requests.

#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <vector>

namespace kvx::sim {

struct FaultOptions {
  double dropRate = 0;
  double corruptRate = 0;
  double garbageRate = 0;
  int delayMs = 0;  // before every reply
  std::uint64_t seed = 1;
  int exceptionAt = -1;  // register answered with exception 2; -1 none
};

class FaultInjector {
 public:
  explicit FaultInjector(FaultOptions options) : options_(options), rng_(options.seed) {}

  // The bytes to send for `reply`; nothing when the reply is dropped.
  std::optional<std::vector<std::uint8_t>> Shape(std::vector<std::uint8_t> reply);

  const FaultOptions& Options() const { return options_; }

 private:
  bool Draw(double rate);

  FaultOptions options_;
  std::mutex mutex_;
  std::mt19937_64 rng_;
};

}  // namespace kvx::sim
