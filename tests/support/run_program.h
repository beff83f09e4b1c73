#pragma once
// Runs a program to completion with a bounded time, capturing stdout and
// stderr, for tests of the command-line programs in build/bin.

#include <chrono>
#include <string>
#include <vector>

namespace kvx::test {

struct ProgramResult {
  int exitCode = -1;  // -1 when killed (time-out) or not started
  bool timedOut = false;
  std::string out;
  std::string err;
};

// `program` is a path; `args` do not include argv[0].
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));

// KVX_RUNTIME_DIR + "/" + name.
std::string RuntimeProgram(const std::string& name);

}  // namespace kvx::test
