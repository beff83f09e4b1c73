#pragma once
// The exit code of the online commands beyond those of cli_exit.h.

#include "cli/cli_exit.h"

namespace kvx::cli {

inline constexpr int kExitQuestionRefused = 4;  // a question needed --yes

}  // namespace kvx::cli
