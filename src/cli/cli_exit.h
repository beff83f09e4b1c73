#pragma once
// Exit codes of kvx-cli.

namespace kvx::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitRelayFailed = 1,  // the relay did not answer correctly (after the retries)
  kExitBadArguments = 2,
  kExitFileError = 3,  // a file could not be loaded or written
};

}  // namespace kvx::cli
