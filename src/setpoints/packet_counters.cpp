#include "setpoints/packet_counters.h"

namespace kvx {

std::atomic<std::uint32_t> failedPackets{0};
std::atomic<std::uint32_t> totalPackets{0};

void ResetPacketCounters() {
  failedPackets.store(0, std::memory_order_relaxed);
  totalPackets.store(0, std::memory_order_relaxed);
}

void CountPacket(bool ok) {
  totalPackets.fetch_add(1, std::memory_order_relaxed);
  if (!ok) failedPackets.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace kvx
