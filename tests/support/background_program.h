#pragma once
// A program running beside a test (a peer server, the simulator): its stdin
// is a pipe that closes when the test is done, its stdout is read line by
// line. The destructor ends it (stdin closed, SIGTERM, then SIGKILL), bounded.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kvx::test {

class BackgroundProgram {
 public:
  BackgroundProgram(const std::string& program, const std::vector<std::string>& args);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram&) = delete;
  BackgroundProgram& operator=(const BackgroundProgram&) = delete;

  bool Started() const { return pid_ > 0; }
  // The next line of its stdout (without the newline), or nothing when the
  // time ran out or the program closed its stdout.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  std::string buffered_;
};

}  // namespace kvx::test
