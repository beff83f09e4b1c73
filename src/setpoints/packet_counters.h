#pragma once
// The link's packet statistics, shared by the main thread and both poll
// threads: every typed read and every block exchange counts once.

#include <atomic>
#include <cstdint>

namespace kvx {

extern std::atomic<std::uint32_t> failedPackets;
extern std::atomic<std::uint32_t> totalPackets;

void ResetPacketCounters();

// Counts one read exchange (or one unreadable setting read) and its outcome.
void CountPacket(bool ok);

}  // namespace kvx
