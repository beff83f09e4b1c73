#include "sim/fault_injector.h"

namespace kvx::sim {

bool FaultInjector::Draw(double rate) {
  if (rate <= 0) return false;
  if (rate >= 1) return true;
  return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < rate;
}

std::optional<std::vector<std::uint8_t>> FaultInjector::Shape(std::vector<std::uint8_t> reply) {
  std::lock_guard lock(mutex_);
  if (Draw(options_.dropRate)) return std::nullopt;
  if (Draw(options_.garbageRate)) {
    const int n = std::uniform_int_distribution<int>(1, 16)(rng_);
    std::vector<std::uint8_t> out;
    out.reserve(reply.size() + static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
      out.push_back(static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 255)(rng_)));
    out.insert(out.end(), reply.begin(), reply.end());
    reply.swap(out);
  }
  if (!reply.empty() && Draw(options_.corruptRate)) {
    const auto at = std::uniform_int_distribution<std::size_t>(0, reply.size() - 1)(rng_);
    const int bit = std::uniform_int_distribution<int>(0, 7)(rng_);
    reply[at] = static_cast<std::uint8_t>(reply[at] ^ (1u << bit));
  }
  return reply;
}

}  // namespace kvx::sim
