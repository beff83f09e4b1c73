#include "support/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace kvx::test {

std::string SimProcess::ProgramPath() {
  return std::string(KVX_RUNTIME_DIR) + "/kvx-relay-sim";
}

SimProcess::SimProcess(std::vector<std::string> args, int readySeconds) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return;
  // Its standard input is the control channel: a pipe the test writes to.
  int control[2];
  if (pipe2(control, O_CLOEXEC) != 0) {
    close(fds[0]);
    close(fds[1]);
    return;
  }
  const std::string program = ProgramPath();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(fds[1], 1);
    dup2(control[0], 0);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  close(control[0]);
  outFd_ = fds[0];
  controlFd_ = control[1];
  // A write after the program ended must fail, not kill the test.
  signal(SIGPIPE, SIG_IGN);
  if (pid_ < 0) return;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(readySeconds);
  while (!ready_ && std::chrono::steady_clock::now() < deadline) {
    pollfd p{outFd_, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[512];
    ssize_t n = read(outFd_, buf, sizeof buf);
    if (n <= 0) break;  // it ended
    output_.append(buf, static_cast<std::size_t>(n));
    std::istringstream lines(output_);
    std::string line;
    while (std::getline(lines, line)) {
      if (line.rfind("tcp: ", 0) == 0) tcpPort_ = std::stoi(line.substr(line.rfind(':') + 1));
      if (line.rfind("rtu: ", 0) == 0) {
        auto arrow = line.find(" -> ");
        rtuLink_ = line.substr(5, arrow - 5);
        rtuDevice_ = line.substr(arrow + 4);
      }
      if (line == "ready") ready_ = true;
    }
  }
}

bool SimProcess::Control(const std::string& line) {
  if (controlFd_ < 0) return false;
  const std::string text = line + "\n";
  return write(controlFd_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

int SimProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  kill(pid_, signal);
  int status = 0;
  for (int i = 0; i < 200; ++i) {
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      char buf[512];
      ssize_t n;
      while ((n = read(outFd_, buf, sizeof buf)) > 0)
        output_.append(buf, static_cast<std::size_t>(n));
      return status;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return -1;
}

SimProcess::~SimProcess() {
  if (pid_ > 0 && Stop(SIGTERM) == -1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (outFd_ >= 0) close(outFd_);
  if (controlFd_ >= 0) close(controlFd_);
}

}  // namespace kvx::test
