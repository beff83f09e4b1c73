#pragma once
// The register access calls with their outcome spelled out: whether they
// succeeded, why the last attempt failed, how the attempts went, and what a
// person needs to act on a failure. The plain ReadRegisters / WriteRegisters /
// SendCommand are these with only the flag kept.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

struct AccessReport {
  bool ok = false;
  CommError lastError = CommError::None;  // of the last attempt; None when ok
  int exchanges = 0;     // attempts made (reads/writes: lock granted; commands: every attempt)
  int lockTimeouts = 0;  // lock waits that ran out
  // The request and the last attempt, for the reason.
  std::string link;                      // where the attempts went: "/dev/ttyUSB0", "10.0.0.5:502"
  int unit = 0;                          // the unit address asked
  int firstRegister = -1;                // of a read or write; -1 for a command
  int commandCode = -1;                  // of a command
  int systemError = 0;                   // errno behind a failed open or connect
  std::chrono::milliseconds timeout{0};  // how long the last attempt waited for its reply
  bool replyHeard = false;               // the last attempt received part of a reply
  int refusalCode = 0;                   // the error status (STS) of a DF1 refusal
};

AccessReport ReadRegistersReport(CommSettings& settings, int firstRegister, int count,
                                 std::span<std::uint16_t> words);
AccessReport WriteRegistersReport(CommSettings& settings, int firstRegister, int count,
                                  std::span<const std::uint16_t> words);
AccessReport SendCommandReport(CommSettings& settings, int commandCode);

// The reason of a failed access as one line, without a leading capital or a
// full stop, so that front ends can put it after their own words:
//   "no reply from unit 254 within 170 ms after 3 attempts"
//   "cannot open /dev/ttyUSB9: No such file or directory"
//   "cannot connect to 127.0.0.1:1502: Connection refused"
//   "exception 2 (illegal data address) at register 9000"
//   "error status 0x50 (addressing problem or memory protection) at register 9000"
// Empty for a report that succeeded.
std::string DescribeAccessFailure(const AccessReport& report);

// The code and the line above; no failure for a report that succeeded.
CommFailure FailureOf(const AccessReport& report);

}  // namespace kvx
