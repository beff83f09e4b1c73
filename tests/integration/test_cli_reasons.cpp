// kvx-cli run as a program against links that fail in different ways: each
// failure prints its own reason exactly once, with the documented exit code,
// on every command path that can meet it.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/run_program.h"
#include "support/scratch_folder.h"
#include "support/sim_process.h"

namespace kvx {
namespace {

using test::ProgramResult;

// How the link fails.
enum class Link {
  SilentRtu,     // the simulator on its pty, stopped with SIGSTOP
  SilentTcp,     // the simulator on TCP, stopped with SIGSTOP (the kernel still accepts)
  MissingPort,   // a serial device that does not exist
  NotATty,       // a plain file named as the serial port
  RefusedTcp,    // a TCP port nobody listens on
  ExceptionTcp,  // the simulator refusing one register with exception 2
  ExceptionRtu,
  SplitTcp,  // the simulator sending each reply in pieces 400 ms apart
};

struct ReasonCase {
  const char* name;
  Link link;
  std::vector<std::string> command;
  // The line expected once on stderr is `lead` + `reason`; "@" stands for the
  // link's name (the device path, or 127.0.0.1:PORT).
  std::string lead;
  std::string reason;
  int exitCode;
  int refusedRegister = 24;  // the one register an Exception link refuses
};

std::string Substitute(std::string text, const std::string& link) {
  for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, link);
  return text;
}

int Occurrences(const std::string& haystack, const std::string& needle) {
  int n = 0;
  for (std::size_t at = 0; (at = haystack.find(needle, at)) != std::string::npos; at += 1) ++n;
  return n;
}

// A loopback port that nothing listens on: bound once to learn a free one,
// then closed again.
int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (fd >= 0) close(fd);
    return 0;
  }
  close(fd);
  return ntohs(address.sin_port);
}

// Whether every thread of `pid` shows the stopped state within 2 s: kill()
// returns before a thread busy on another core has stopped.
bool AllThreadsStopped(pid_t pid) {
  const auto tasks = std::filesystem::path("/proc") / std::to_string(pid) / "task";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < deadline) {
    bool all = true;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
      std::ifstream stat(task.path() / "stat");
      std::string line;
      std::getline(stat, line);
      const auto close = line.rfind(')');
      if (close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'T') {
        all = false;
      }
    }
    if (all && !ec) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class CliReasons : public ::testing::TestWithParam<ReasonCase> {
 protected:
  // Sets up the link of the case and gives the link options and its name.
  void Prepare(Link link, std::vector<std::string>& options, std::string& name) {
    const bool rtu = link == Link::SilentRtu || link == Link::ExceptionRtu;
    switch (link) {
      case Link::MissingPort:
        name = (folder / "ttyKVX9").string();
        options = {"--rtu", name};
        return;
      case Link::NotATty:
        name = (folder / "notes.txt").string();
        std::ofstream(name) << "not a port\n";
        options = {"--rtu", name};
        return;
      case Link::RefusedTcp: {
        const int port = UnusedPort();
        ASSERT_NE(port, 0);
        name = "127.0.0.1:" + std::to_string(port);
        options = {"--tcp", name};
        return;
      }
      case Link::SilentRtu:
      case Link::SilentTcp:
      case Link::ExceptionTcp:
      case Link::ExceptionRtu:
      case Link::SplitTcp:
        break;
    }
    std::vector<std::string> args = {"--model", "DRA", "--firmware", "197"};
    if (link == Link::ExceptionTcp || link == Link::ExceptionRtu) {
      args.insert(args.end(), {"--exception-at", std::to_string(GetParam().refusedRegister)});
    }
    if (link == Link::SplitTcp) args.insert(args.end(), {"--split-ms", "400"});
    if (rtu) {
      args.insert(args.end(), {"--rtu-pty", (folder / "relay").string()});
    } else {
      args.insert(args.end(), {"--tcp", "127.0.0.1:0"});
    }
    relay = std::make_unique<test::SimProcess>(args);
    ASSERT_TRUE(relay->Ready()) << relay->Output();
    name = rtu ? relay->RtuLink() : "127.0.0.1:" + std::to_string(relay->TcpPort());
    options = {rtu ? "--rtu" : "--tcp", name};
    if (link == Link::SilentRtu || link == Link::SilentTcp) {
      ASSERT_EQ(kill(relay->Pid(), SIGSTOP), 0);
      stopped = true;
      ASSERT_TRUE(AllThreadsStopped(relay->Pid())) << "the simulator did not stop";
    }
  }

  void TearDown() override {
    if (stopped) kill(relay->Pid(), SIGCONT);
  }

  test::ScratchFolder folder;
  std::unique_ptr<test::SimProcess> relay;
  bool stopped = false;
};

TEST_P(CliReasons, PrintsItsOwnReasonOnceWithTheDocumentedExitCode) {
  const ReasonCase& c = GetParam();
  std::vector<std::string> args;
  std::string link;
  Prepare(c.link, args, link);
  if (HasFatalFailure()) return;
  args.insert(args.end(), c.command.begin(), c.command.end());
  const ProgramResult r = test::RunProgram(test::RuntimeProgram("kvx-cli"), args);
  const std::string reason = Substitute(c.reason, link);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Occurrences(r.err, c.lead + reason + "\n"), 1) << r.err;
  // No other line repeats the reason.
  EXPECT_EQ(Occurrences(r.err, reason), 1) << r.err;
}

const ReasonCase kCases[] = {
    {"SilentRtuRead",
     Link::SilentRtu,
     {"read-registers", "0", "1"},
     "kvx-cli: read-registers failed: ",
     "no reply from unit 254 within 170 ms after 3 attempts",
     1},
    {"SilentRtuIdentify",
     Link::SilentRtu,
     {"identify"},
     "kvx-cli: Failed to Connect: ",
     "no reply from unit 254 within 170 ms after 3 attempts",
     1},
    {"SilentTcpRead",
     Link::SilentTcp,
     {"--unit", "7", "read-registers", "0", "2"},
     "kvx-cli: read-registers failed: ",
     "no reply from unit 7 within 500 ms after 3 attempts",
     1},
    {"SilentTcpCommand",
     Link::SilentTcp,
     {"command", "3"},
     "kvx-cli: command failed: ",
     "no reply from unit 254 within 500 ms after 3 attempts",
     1},
    {"MissingPortRead",
     Link::MissingPort,
     {"read-registers", "0", "1"},
     "kvx-cli: read-registers failed: ",
     "cannot open @: No such file or directory",
     1},
    {"MissingPortWrite",
     Link::MissingPort,
     {"write-registers", "20", "1"},
     "kvx-cli: write-registers failed: ",
     "cannot open @: No such file or directory",
     1},
    {"MissingPortIdentify",
     Link::MissingPort,
     {"identify"},
     "kvx-cli: Failed to Connect: ",
     "cannot open @: No such file or directory",
     1},
    {"NotATtyRead",
     Link::NotATty,
     {"read-registers", "0", "1"},
     "kvx-cli: read-registers failed: ",
     "cannot open @: not a serial port",
     1},
    {"SplitTcpRead",
     Link::SplitTcp,
     {"read-registers", "0", "1"},
     "kvx-cli: read-registers failed: ",
     "incomplete reply from unit 254 within 500 ms after 3 attempts",
     1},
    {"RefusedRead",
     Link::RefusedTcp,
     {"read-registers", "0", "1"},
     "kvx-cli: read-registers failed: ",
     "cannot connect to @: Connection refused",
     1},
    {"RefusedCommand",
     Link::RefusedTcp,
     {"command", "3"},
     "kvx-cli: command failed: ",
     "cannot connect to @: Connection refused",
     1},
    {"RefusedReadSetpoints",
     Link::RefusedTcp,
     {"read-setpoints"},
     "kvx-cli: Failed to Connect: ",
     "cannot connect to @: Connection refused",
     1},
    {"ExceptionTcpRead",
     Link::ExceptionTcp,
     {"read-registers", "9000", "1"},
     "kvx-cli: read-registers failed: ",
     "exception 2 (illegal data address) at register 9000",
     1,
     9000},
    {"ExceptionRtuRead",
     Link::ExceptionRtu,
     {"read-registers", "9000", "1"},
     "kvx-cli: read-registers failed: ",
     "exception 2 (illegal data address) at register 9000",
     1,
     9000},
    {"ExceptionTcpCommand",
     Link::ExceptionTcp,
     {"command", "3"},
     "kvx-cli: command failed: ",
     "exception 2 (illegal data address) for command 3",
     1,
     6},
    {"ExceptionTcpGet",
     Link::ExceptionTcp,
     {"get", "24"},
     "kvx-cli: reading register 24 failed: ",
     "exception 2 (illegal data address) at register 24",
     1},
    {"ExceptionRtuReadSetpoints",
     Link::ExceptionRtu,
     {"read-setpoints"},
     "kvx-cli: ",
     "exception 2 (illegal data address) at register 24",
     1},
};

INSTANTIATE_TEST_SUITE_P(Links, CliReasons, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvx
