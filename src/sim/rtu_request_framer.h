#pragma once
// Cuts Modbus RTU request frames out of a serial byte stream. The length of a
// request follows from its function code; a frame whose CRC fails costs one
// byte and the search goes on from the next, so garbage before a request does
// not lose it. A request of an unknown function ends where a CRC over it
// holds (or where a good request of known form begins); after a silence gap
// the unfinished rest is resolved or dropped.

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kvx::sim {

class RtuRequestFramer {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kCapacity = 512;

  explicit RtuRequestFramer(std::chrono::milliseconds gap) : gap_(gap) {}

  void Feed(std::span<const std::uint8_t> bytes, Clock::time_point now);
  // The next complete request with a good CRC (address, PDU, CRC), if any.
  std::optional<std::vector<std::uint8_t>> Next(Clock::time_point now);

  bool Pending() const { return !buffer_.empty(); }
  // When the silence gap ends for what is pending.
  Clock::time_point GapEnds() const { return lastByte_ + gap_; }
  std::uint64_t CrcErrors() const { return crcErrors_; }

 private:
  // Length of the request starting at `at`: 0 when more bytes are needed to
  // know, -1 for a function whose requests have no fixed form.
  int ExpectedLength(std::size_t at = 0) const;
  bool KnownRequestAt(std::size_t at) const;

  std::chrono::milliseconds gap_;
  std::vector<std::uint8_t> buffer_;
  Clock::time_point lastByte_{};
  std::uint64_t crcErrors_ = 0;
};

}  // namespace kvx::sim
