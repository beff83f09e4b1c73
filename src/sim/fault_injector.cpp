#include "sim/fault_injector.h"

#include <algorithm>

namespace kvx::sim {
namespace {

// The bytes of a Modbus TCP reply a master can check: the application header
// (7), the function, and the byte count of a read or exception code (9), or
// the echoed address and count of a write (12).
std::size_t CheckableTcpBytes(const std::vector<std::uint8_t>& reply) {
  const bool write = reply.size() > 7 && reply[7] == 0x10;
  return std::min(reply.size(), std::size_t{write ? 12u : 9u});
}

}  // namespace

bool FaultInjector::Draw(double rate) {
  if (rate <= 0) return false;
  if (rate >= 1) return true;
  return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < rate;
}

std::optional<std::vector<std::uint8_t>> FaultInjector::Shape(std::vector<std::uint8_t> reply,
                                                              ReplyFraming framing) {
  std::lock_guard lock(mutex_);
  if (Draw(options_.dropRate)) return std::nullopt;
  // The bytes a flip may land in: all of them, or a TCP reply's checkable ones.
  std::size_t flippable =
      framing == ReplyFraming::ModbusTcp ? CheckableTcpBytes(reply) : reply.size();
  if (Draw(options_.garbageRate)) {
    const int n = std::uniform_int_distribution<int>(1, 16)(rng_);
    std::vector<std::uint8_t> out;
    out.reserve(reply.size() + static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
      out.push_back(static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng_)));
    out.insert(out.end(), reply.begin(), reply.end());
    reply.swap(out);
    flippable += static_cast<std::size_t>(n);
  }
  if (flippable > 0 && Draw(options_.corruptRate)) {
    const auto at = std::uniform_int_distribution<std::size_t>(0, flippable - 1)(rng_);
    const int bit = std::uniform_int_distribution<int>(0, 7)(rng_);
    reply[at] = static_cast<std::uint8_t>(reply[at] ^ (1u << bit));
  }
  return reply;
}

std::vector<std::size_t> FaultInjector::SplitPoints(std::size_t size) const {
  if (options_.splitMs <= 0 || size < 2) return {};
  std::vector<std::size_t> cuts{std::min<std::size_t>(3, size - 1)};
  const std::size_t middle = cuts[0] + (size - cuts[0]) / 2;
  if (middle > cuts[0] && middle < size) cuts.push_back(middle);
  return cuts;
}

}  // namespace kvx::sim
