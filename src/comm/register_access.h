#pragma once
// The register access layer: every exchange with the relay, from any thread,
// passes through these three calls. Each takes the link lock "comport" for one
// exchange at a time and makes up to three attempts.

#include <cstdint>
#include <span>

#include "comm/comm_settings.h"

namespace kvx {

// Reads `count` consecutive holding registers starting at `firstRegister`
// into words[0..count-1]. False after three failed exchanges (or when `words`
// is shorter than `count`). Callers keep count <= 100.
bool ReadRegisters(CommSettings& settings, int firstRegister, int count,
                   std::span<std::uint16_t> words);

// Writes `count` consecutive registers from words[0..count-1].
bool WriteRegisters(CommSettings& settings, int firstRegister, int count,
                    std::span<const std::uint16_t> words);

// Sends one device command; callers cannot tell whether the relay acted.
void SendCommand(CommSettings& settings, int commandCode);

}  // namespace kvx
