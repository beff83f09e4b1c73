#include "cli/password_input.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace kvx::cli {
namespace {

// Long enough for a person, short enough that a forgotten job ends.
constexpr auto kTypingTime = std::chrono::minutes(5);
constexpr std::size_t kMaxLine = 256;
constexpr int kTerminalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

termios savedTerminal{};
volatile sig_atomic_t echoOff = 0;

// Puts the echo back before the signal ends the program as it would have.
void RestoreAndRaise(int signal) {
  if (echoOff) tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

class EchoOff {
 public:
  EchoOff() {
    if (tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
    struct sigaction action {};
    action.sa_handler = RestoreAndRaise;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kTerminalSignals); ++i) {
      sigaction(kTerminalSignals[i], &action, &previous_[i]);
    }
    termios quiet = savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ICANON;
    echoOff = 1;
    ok_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (echoOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    echoOff = 0;
    for (std::size_t i = 0; i < std::size(kTerminalSignals); ++i) {
      sigaction(kTerminalSignals[i], &previous_[i], nullptr);
    }
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  bool Ok() const { return ok_; }

 private:
  bool ok_ = false;
  struct sigaction previous_[std::size(kTerminalSignals)]{};
};

}  // namespace

std::optional<std::string> ReadHiddenLine(const std::string& prompt, std::ostream& err) {
  if (isatty(STDIN_FILENO) != 1) return std::nullopt;
  EchoOff quiet;
  if (!quiet.Ok()) return std::nullopt;
  err << prompt << std::flush;
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + kTypingTime;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd in{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&in, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char c = 0;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (c == '\n' || c == '\r') {
      err << '\n' << std::flush;  // the Enter the user pressed was not echoed
      return line;
    }
    if (line.size() >= kMaxLine) break;
    line += c;
  }
  err << '\n' << std::flush;
  return std::nullopt;
}

PasswordAnswer ResolvePassword(const std::optional<std::string>& option, const char* variable,
                               const std::string& prompt, bool confirm, std::ostream& err) {
  if (option) return {option, {}};
  if (const char* value = std::getenv(variable); value && *value) {
    return {std::string(value), {}};
  }
  if (isatty(STDIN_FILENO) != 1) {
    return {std::nullopt,
            std::string("none given: set ") + variable + ", or run on a terminal to be asked"};
  }
  auto first = ReadHiddenLine(prompt + ": ", err);
  if (!first) return {std::nullopt, "not typed"};
  if (confirm) {
    auto again = ReadHiddenLine(prompt + " again: ", err);
    if (!again) return {std::nullopt, "not typed"};
    if (*again != *first) return {std::nullopt, "typed differently the second time"};
  }
  return {std::move(first), {}};
}

}  // namespace kvx::cli
