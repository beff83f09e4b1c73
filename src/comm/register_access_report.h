#pragma once
// The register access calls with their outcome spelled out: whether they
// succeeded, why the last attempt failed, and how the attempts went. The plain
// ReadRegisters / WriteRegisters / SendCommand are these with only the flag
// kept. For front ends that show a reason (kvx-cli) and for tests.

#include <cstdint>
#include <span>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

struct AccessReport {
  bool ok = false;
  CommError lastError = CommError::None;  // of the last attempt; None when ok
  int exchanges = 0;     // attempts made (reads/writes: lock granted; commands: every attempt)
  int lockTimeouts = 0;  // lock waits that ran out
};

AccessReport ReadRegistersReport(CommSettings& settings, int firstRegister, int count,
                                 std::span<std::uint16_t> words);
AccessReport WriteRegistersReport(CommSettings& settings, int firstRegister, int count,
                                  std::span<const std::uint16_t> words);
AccessReport SendCommandReport(CommSettings& settings, int commandCode);

}  // namespace kvx
