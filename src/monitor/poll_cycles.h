#pragma once
// One cycle of the metering poll and of the status poll: the reads only, in
// the order the relay expects them, with the stop request looked at before
// every exchange. The poll threads, the command line's `meter` and `status`
// and the tests all read through these.

#include <atomic>
#include <chrono>

#include "comm/comm_settings.h"
#include "monitor/poll_snapshots.h"

namespace kvx {

// Pauses after a cycle: a relay that does not answer is asked half as often.
inline constexpr std::chrono::milliseconds kMeteringPauseOk{1000};
inline constexpr std::chrono::milliseconds kMeteringPauseFailed{2000};
inline constexpr std::chrono::milliseconds kStatusPauseOk{500};
inline constexpr std::chrono::milliseconds kStatusPauseFailed{1000};
// The status poll re-reads the relay's identity on this cycle (about once a
// minute) and on every cycle after a failed one.
inline constexpr int kIdentityRecheckCycles = 120;

// Register 390, then the six blocks; the first failure ends the cycle.
// `snapshot.readOk` tells whether every read got through; a stop request
// leaves the rest unread and readOk false.
void ReadMeteringCycle(CommSettings& settings, MeteringSnapshot& snapshot,
                       const std::atomic<bool>& stop);

// What the status poll carries from one cycle to the next.
struct StatusCycleState {
  bool ok = true;  // the last cycle got through
  int cycle = 0;   // cycles since the identity was last read
  int identityEvery = kIdentityRecheckCycles;
};

// The identity when due, then the clock and the status words.
void ReadStatusCycle(CommSettings& settings, StatusCycleState& state, StatusSnapshot& snapshot,
                     const std::atomic<bool>& stop);

}  // namespace kvx
