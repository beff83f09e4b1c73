#pragma once
// Faults a test can ask the simulator to inject into its replies. Each reply
// draws, in this order: dropped (nothing is sent), garbage (1..16 random bytes
// sent ahead of it), corrupted (one bit of the reply flipped). The draws are
// seeded, so a run repeats exactly for the same seed and the same requests.
//
// On a serial line the flipped bit may be anywhere: the CRC must catch it. A
// Modbus TCP reply has no check value of its own (TCP's checksum guards the
// data on a real network), so there the flip lands in the fields a master
// can check: the application header, the function and the byte count or the
// echoed address and count.

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
  int splitMs = 0;       // TCP: each reply in pieces this many ms apart; 0 whole
  int df1EotPolls = 0;   // DF1: the first polls after each message get DLE EOT
  int df1NakEvery = 0;   // DF1: every Nth good message is refused with DLE NAK; 0 never
};

enum class ReplyFraming { Serial, ModbusTcp };

class FaultInjector {
 public:
  explicit FaultInjector(FaultOptions options) : options_(options), rng_(options.seed) {}

  // The bytes to send for `reply`; nothing when the reply is dropped.
  std::optional<std::vector<std::uint8_t>> Shape(std::vector<std::uint8_t> reply,
                                                 ReplyFraming framing = ReplyFraming::Serial);

  // Where a TCP reply of `size` bytes is cut into the pieces sent splitMs
  // apart: inside the header, then in the middle of the rest. Empty when
  // replies go whole.
  std::vector<std::size_t> SplitPoints(std::size_t size) const;

  const FaultOptions& Options() const { return options_; }

 private:
  bool Draw(double rate);

  FaultOptions options_;
  std::mutex mutex_;
  std::mt19937_64 rng_;
};

}  // namespace kvx::sim
