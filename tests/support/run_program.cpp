#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvx::test {

std::string RuntimeProgram(const std::string& name) {
  return std::string(KVX_RUNTIME_DIR) + "/" + name;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         std::chrono::milliseconds timeout) {
  ProgramResult result;
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return result;
  }
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    // Never the test's own input: a program that asks must not wait on it.
    const int nothing = open("/dev/null", O_RDONLY);
    if (nothing >= 0) dup2(nothing, 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (open > 0 && child > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      kill(child, SIGKILL);
      break;
    }
    if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && !result.timedOut) {
    result.exitCode = WEXITSTATUS(status);
  }
  return result;
}

}  // namespace kvx::test
