// kvx-cli's online commands run as programs against the kvx-relay-sim program,
// over Modbus TCP and over its pseudo-terminal: output, exit codes, and what
// the relay holds afterwards.

#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/run_program.h"
#include "support/scratch_folder.h"
#include "support/sim_process.h"

namespace kvx {
namespace {

using test::ProgramResult;
using namespace std::chrono_literals;

enum class Link { Tcp, Rtu, Df1 };

class CliOnline : public ::testing::TestWithParam<Link> {
 protected:
  void StartRelay(std::vector<std::string> args) {
    args.insert(args.end(), {"--serial", "70123"});
    if (GetParam() == Link::Tcp) {
      args.insert(args.end(), {"--tcp", "127.0.0.1:0"});
    } else if (GetParam() == Link::Df1) {
      args.insert(args.end(), {"--df1-pty", (folder / "relay").string()});
    } else {
      args.insert(args.end(), {"--rtu-pty", (folder / "relay").string()});
    }
    relay = std::make_unique<test::SimProcess>(args);
    ASSERT_TRUE(relay->Ready()) << relay->Output();
  }
  ProgramResult Cli(std::vector<std::string> args) {
    if (GetParam() == Link::Tcp) {
      args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(relay->TcpPort())});
    } else if (GetParam() == Link::Df1) {
      args.insert(args.begin(), {"--df1", (folder / "relay").string()});
    } else {
      args.insert(args.begin(), {"--rtu", relay->RtuLink()});
    }
    return test::RunProgram(test::RuntimeProgram("kvx-cli"), args);
  }
  test::ScratchFolder folder;
  std::unique_ptr<test::SimProcess> relay;
};

TEST_P(CliOnline, IdentifyPrintsModelFirmwareSerialAndDefinitionFile) {
  StartRelay({"--model", "DRA", "--firmware", "197"});
  const ProgramResult r = Cli({"identify"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "model: DRA\nmodel code: 201\nfirmware: 1.97\nserial number: 70123\n"
            "definition file: dra_defaults_190.xml\ndefinition firmware: 1.90\n");
}

// The pass's progress lines count the groups in order: "group 1 of 12 (name)",
// "group 2 of 12 (...)" ... up to "group 12 of 12".
void ExpectGroupsCounted(const std::string& err, const std::string& caption) {
  const std::string head = caption + ": group ";
  int expected = 1;
  int total = -1;
  for (std::size_t at = err.find(head); at != std::string::npos; at = err.find(head, at + 1)) {
    const std::string line = err.substr(at + head.size(), err.find('\n', at) - at - head.size());
    int n = 0;
    int of = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d of %d (", &n, &of), 2) << line;
    EXPECT_EQ(n, expected) << line;
    if (total < 0) total = of;
    EXPECT_EQ(of, total) << line;
    EXPECT_EQ(line.back(), ')') << line;
    ++expected;
  }
  EXPECT_GT(total, 1) << err;
  EXPECT_EQ(expected - 1, total) << err;
}

TEST_P(CliOnline, ReadThenWriteSetpointsRoundTripsTheRelaysValues) {
  StartRelay({"--model", "DRB-50", "--firmware", "123"});
  ProgramResult set = Cli({"set", "600=Pump 7", "--password", "1234"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  const auto file = (folder / "pump.cds").string();
  ProgramResult read = Cli({"read-setpoints", "-o", file});
  EXPECT_NE(read.err.find("kvx-cli: saved " + file + "\n"), std::string::npos) << read.err;
  ASSERT_EQ(read.exitCode, 0) << read.err;
  ExpectGroupsCounted(read.err, "Reading Settings");

  ASSERT_EQ(Cli({"set", "600=Other", "--password", "1234"}).exitCode, 0);
  ProgramResult write = Cli({"write-setpoints", file, "--password", "1234"});
  EXPECT_EQ(write.exitCode, 0) << write.err;
  ExpectGroupsCounted(write.err, "Writing to Unit");
  ProgramResult get = Cli({"get", "600"});
  EXPECT_EQ(get.exitCode, 0) << get.err;
  EXPECT_EQ(get.out, "600\tRelay Title\tPump 7\t\n");

  ProgramResult table = Cli({"read-setpoints"});
  EXPECT_EQ(table.exitCode, 0) << table.err;
  // A relay at 1.23 read with the definitions of 1.20: both are named.
  EXPECT_EQ(table.out.substr(0, 65),
            "Unit\tDRB-50\nFirmware\trelay 1.23, definitions 1.20\n\n[System Name]\n");
  EXPECT_NE(table.out.find("\nRelay Title\tPump 7\t"), std::string::npos) << table.out;
}

TEST_P(CliOnline, WriteSetpointsRefusesAWrongPasswordAndAnUnreadableFile) {
  StartRelay({"--model", "DRA", "--firmware", "190"});
  const auto file = (folder / "dra.xml").string();
  ASSERT_EQ(Cli({"read-setpoints", "-o", file}).exitCode, 0);
  ProgramResult wrong = Cli({"write-setpoints", file, "--password", "4321"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_NE(wrong.err.find("Password Error: Wrong Password.\nError: Error Getting Data.\n"),
            std::string::npos)
      << wrong.err;
  ProgramResult missing =
      Cli({"write-setpoints", (folder / "none.cds").string(), "--password", "1234"});
  EXPECT_EQ(missing.exitCode, 3);
  EXPECT_NE(missing.err.find("Error Loading File."), std::string::npos) << missing.err;
}

TEST_P(CliOnline, SetChecksLimitsAndWholeNumbersBeforeWriting) {
  StartRelay({"--model", "DRA", "--firmware", "190"});
  ProgramResult before = Cli({"get", "24", "13"});
  ASSERT_EQ(before.exitCode, 0) << before.err;

  // One value outside its limits: nothing at all is written.
  ProgramResult outside = Cli({"set", "13=7", "24=999", "--password", "1234"});
  EXPECT_EQ(outside.exitCode, 2);
  EXPECT_NE(outside.err.find("register 24: 999 is outside"), std::string::npos) << outside.err;
  EXPECT_EQ(Cli({"get", "24", "13"}).out, before.out);

  // A whole-number register would round 5.5 to 6: refused before anything is sent.
  ProgramResult fraction = Cli({"set", "24=5.5", "--password", "1234", "--trace"});
  EXPECT_EQ(fraction.exitCode, 2);
  EXPECT_NE(fraction.err.find("register 24: 5.5 is not a whole number; nothing written"),
            std::string::npos)
      << fraction.err;
  // The start of a write to unit 254: function 16, or DF1 CMD 0x08 from node 0.
  const char* writeStart = GetParam() == Link::Df1 ? " FE 00 08 " : " FE 10 ";
  EXPECT_EQ(fraction.err.find(writeStart), std::string::npos) << "no write request went out";
  EXPECT_EQ(Cli({"get", "24", "13"}).out, before.out);

  ProgramResult ok = Cli({"set", "24=7", "12=Alarm", "--password", "1234"});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_EQ(ok.out, "24\tTime Between Starts\t7\tmin\n12\tOverload Action\tAlarm\t\n");
  EXPECT_NE(ok.err.find("kvx-cli: 2 settings written and verified\n"), std::string::npos) << ok.err;
  EXPECT_EQ(Cli({"set", "24=8.0", "--password", "1234"}).out, "24\tTime Between Starts\t8\tmin\n");

  ProgramResult locked = Cli({"set", "24=9", "--password", "9999"});
  EXPECT_EQ(locked.exitCode, 2);
  EXPECT_EQ(locked.err.find("written and verified"), std::string::npos) << locked.err;
  EXPECT_EQ(Cli({"get", "24"}).out, "24\tTime Between Starts\t8\tmin\n");
  EXPECT_EQ(Cli({"set", "620=4", "--password", "1234"}).exitCode, 2) << "read-only";
}

TEST_P(CliOnline, SetReportsAWriteTheRelayRefusesAsARefusal) {
  StartRelay({"--model", "DRA", "--firmware", "190", "--exception-at", "24"});
  ProgramResult refused = Cli({"set", "24=7", "--password", "1234"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err.find("written and verified"), std::string::npos) << refused.err;
  // DF1 refuses with an error status, named with its code.
  EXPECT_NE(refused.err.find(GetParam() == Link::Df1
                                 ? "kvx-cli: writing register 24 failed: error status 0x50 "
                                   "(addressing problem or memory protection) at register 24\n"
                                 : "kvx-cli: register 24: the relay refused 7 (exception 2)\n"),
            std::string::npos)
      << refused.err;
}

// The setpoint file `path` with the DEFAULT cell of `reg` replaced by `value`.
void SetFileValue(const std::filesystem::path& path, int reg, const std::string& value) {
  std::string text = test::ReadWholeFile(path);
  const std::size_t row = text.find("REGISTER=\"" + std::to_string(reg) + "\"");
  ASSERT_NE(row, std::string::npos) << "register " << reg;
  const std::size_t cell = text.find("DEFAULT=\"", row);
  ASSERT_LT(cell, text.find('>', row)) << "register " << reg;
  const std::size_t from = cell + 9;
  text.replace(from, text.find('"', from) - from, value);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST_P(CliOnline, WriteSetpointsChecksTheWholeFileBeforeWritingAnything) {
  StartRelay({"--model", "DRA", "--firmware", "190"});
  const auto file = folder / "site.xml";
  ASSERT_EQ(Cli({"read-setpoints", "-o", file.string()}).exitCode, 0);
  const ProgramResult before = Cli({"read-setpoints"});
  ASSERT_EQ(before.exitCode, 0) << before.err;
  SetFileValue(file, 600, "Changed Title");  // fine, and first in the write order
  SetFileValue(file, 24, "5.5");
  SetFileValue(file, 65, "999");

  const ProgramResult write = Cli({"write-setpoints", file.string(), "--password", "1234"});
  EXPECT_EQ(write.exitCode, 3) << write.err;
  EXPECT_NE(write.err.find("The file holds 2 values the relay cannot take; nothing was written.\n"
                           "register 24 (Time Between Starts): 5.5 is not a whole number\n"
                           "register 65 (Jam Trip Level): 999 is outside 1 .. 10\n"),
            std::string::npos)
      << write.err;
  EXPECT_EQ(write.err.find("Writing to Unit"), std::string::npos) << write.err;
  EXPECT_EQ(Cli({"read-setpoints"}).out, before.out) << "the relay holds what it held";
}

TEST_P(CliOnline, WriteSetpointsReportsARefusalPartWayAsARefusal) {
  const auto file = folder / "site.xml";
  StartRelay({"--model", "DRA", "--firmware", "190"});
  ASSERT_EQ(Cli({"read-setpoints", "-o", file.string()}).exitCode, 0);
  SetFileValue(file, 600, "Before The Refusal");
  relay.reset();
  // A relay that refuses register 65 although the value is within its limits.
  StartRelay({"--model", "DRA", "--firmware", "190", "--exception-at", "65"});

  const ProgramResult write = Cli({"write-setpoints", file.string(), "--password", "1234"});
  EXPECT_EQ(write.exitCode, 1) << write.err;
  EXPECT_EQ(write.err.find("Communications was lost"), std::string::npos) << write.err;
  const std::string said = GetParam() == Link::Df1
                               ? "kvx-cli: register 65: the relay refused 3.00; "
                               : "kvx-cli: register 65: the relay refused 3.00 (exception 2); ";
  const std::size_t at = write.err.find(said);
  ASSERT_NE(at, std::string::npos) << write.err;
  const std::string count =
      write.err.substr(at + said.size(), write.err.find(' ', at + said.size()) - at - said.size());
  EXPECT_GT(std::stoi(count), 0) << write.err;
  EXPECT_EQ(write.err.substr(at + said.size() + count.size()),
            " settings written before it, none after\n");
  EXPECT_NE(
      write.err.find("Write Refused: Register 65 (Jam Trip Level): the relay refused 3.00.\n" +
                     count + " settings were written before it, none after it.\n"),
      std::string::npos)
      << write.err;
  EXPECT_EQ(Cli({"get", "600"}).out, "600\tRelay Title\tBefore The Refusal\t\n");
}

TEST_P(CliOnline, ChangePasswordNeedsTheCurrentOne) {
  StartRelay({"--model", "QRT-2600", "--firmware", "107"});
  EXPECT_EQ(Cli({"change-password", "--password", "1234", "AB"}).exitCode, 2);
  ProgramResult wrong = Cli({"change-password", "--password", "0000", "ABCD"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_NE(wrong.err.find("Password Error: Wrong Password\n"), std::string::npos) << wrong.err;
  EXPECT_EQ(wrong.err.find("password changed"), std::string::npos) << wrong.err;
  const ProgramResult changed = Cli({"change-password", "--password", "1234", "ABCD"});
  EXPECT_EQ(changed.exitCode, 0) << changed.err;
  EXPECT_NE(changed.err.find("kvx-cli: password changed\n"), std::string::npos) << changed.err;
  EXPECT_EQ(Cli({"set", "600=X", "--password", "1234"}).exitCode, 2);
  EXPECT_EQ(Cli({"set", "600=X", "--password", "ABCD"}).exitCode, 0);
}

// A password register the relay will not give up says nothing about the password
// typed: the command fails as a link failure (exit 1), not as a wrong password.
TEST_P(CliOnline, AnUnreadablePasswordRegisterIsNotAWrongPassword) {
  StartRelay({"--model", "DRA", "--firmware", "190", "--exception-at", "590"});
  ProgramResult set = Cli({"set", "24=7", "--password", "1234"});
  EXPECT_EQ(set.exitCode, 1) << set.err;
  EXPECT_EQ(set.err.find("Wrong Password"), std::string::npos) << set.err;
  ProgramResult change = Cli({"change-password", "--password", "1234", "ABCD"});
  EXPECT_EQ(change.exitCode, 1) << change.err;
  EXPECT_NE(change.err.find("password could not be read; nothing written"), std::string::npos)
      << change.err;
  EXPECT_EQ(Cli({"get", "24"}).out, "24\tTime Between Starts\t5\tmin\n");
}

// Sets an environment variable for the programs a test starts.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
  ~ScopedVariable() { unsetenv(name_); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
};

TEST_P(CliOnline, PasswordsComeFromTheEnvironmentAndNeverShowInTheTrace) {
  // "Kx7w" is 4B 78 37 77, "Qz3v" 51 7A 33 76.
  StartRelay({"--model", "DRA", "--firmware", "190", "--password", "Kx7w"});
  ProgramResult none = Cli({"set", "600=Nobody"});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_NE(none.err.find("the relay's password: none given: set KVX_PASSWORD"), std::string::npos)
      << none.err;
  {
    ScopedVariable password("KVX_PASSWORD", "Kx7w");
    ProgramResult set = Cli({"set", "600=From Env", "--trace"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.err.find("TX: "), std::string::npos);
    EXPECT_NE(set.err.find(" ** ** ** ** "), std::string::npos) << set.err;
    EXPECT_EQ(set.err.find("4B 78 37 77"), std::string::npos) << set.err;

    ScopedVariable fresh("KVX_NEW_PASSWORD", "Qz3v");
    ProgramResult change = Cli({"change-password", "--trace"});
    EXPECT_EQ(change.exitCode, 0) << change.err;
    EXPECT_EQ(change.err.find("4B 78 37 77"), std::string::npos) << change.err;
    EXPECT_EQ(change.err.find("51 7A 33 76"), std::string::npos) << change.err;
    // Neither shows through a raw register read either.
    ProgramResult raw = Cli({"read-registers", "588", "6", "--trace"});
    EXPECT_EQ(raw.exitCode, 0) << raw.err;
    EXPECT_EQ(raw.err.find("51 7A 33 76"), std::string::npos) << raw.err;
    EXPECT_NE(raw.out.find("590 20858\n"), std::string::npos) << "printed when asked for";
  }
  EXPECT_EQ(Cli({"get", "600"}).out, "600\tRelay Title\tFrom Env\t\n");
  EXPECT_EQ(Cli({"set", "600=X", "--password", "Kx7w"}).exitCode, 2) << "the password changed";
  EXPECT_EQ(Cli({"set", "600=X", "--password", "Qz3v"}).exitCode, 0);
}

TEST_P(CliOnline, AQuestionIsRefusedWithoutYes) {
  StartRelay({"--model", "DRA", "--firmware", "197"});
  test::ScratchFolder defaults;
  std::filesystem::copy_file(
      std::filesystem::path(KVX_SOURCE_DIR) / "defaults" / "dra_defaults_185.xml",
      defaults / "dra_defaults_185.xml");
  ProgramResult refused = Cli({"identify", "--defaults", defaults.path().string()});
  EXPECT_EQ(refused.exitCode, 4);
  EXPECT_EQ(refused.out, "");
  EXPECT_NE(refused.err.find("Communications Error: There was no file found for Firmware Version "
                             "1.97 of the DRA.\nDo you wish to try an older firmware version?\n"),
            std::string::npos)
      << refused.err;
  ProgramResult yes = Cli({"identify", "--yes", "--defaults", defaults.path().string()});
  EXPECT_EQ(yes.exitCode, 0) << yes.err;
  EXPECT_NE(yes.out.find("definition file: dra_defaults_185.xml\n"), std::string::npos);
}

TEST_P(CliOnline, ASilentRelayExitsOneWithFailedToConnect) {
  StartRelay({"--model", "DRA", "--drop-rate", "1"});
  const ProgramResult r = Cli({"identify"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Failed to Connect"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Links, CliOnline, ::testing::Values(Link::Tcp, Link::Rtu, Link::Df1),
                         [](const auto& info) {
                           return info.param == Link::Tcp   ? "tcp"
                                  : info.param == Link::Rtu ? "rtu"
                                                            : "df1";
                         });

// kvx-cli on a terminal of its own: what the user sees, and what the user types.
class TerminalSession {
 public:
  explicit TerminalSession(const std::vector<std::string>& args) {
    const std::string program = test::RuntimeProgram("kvx-cli");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  ~TerminalSession() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }
  // Reads until `text` has been shown (true) or the time is up.
  bool WaitFor(const std::string& text, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (shown_.find(text, searched_) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !ReadSome(static_cast<int>(left.count()))) return false;
    }
    searched_ = shown_.find(text, searched_) + text.size();
    return true;
  }
  void Type(const std::string& line) {
    ASSERT_EQ(write(master_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  }
  // Reads to the end and returns the exit code (-1 on a time-out).
  int Finish() {
    const auto end = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < end && ReadSome(200)) {
    }
    int status = 0;
    for (int i = 0; i < 200; ++i) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      if (!ReadSome(50)) std::this_thread::sleep_for(50ms);
    }
    return -1;
  }
  const std::string& Shown() const { return shown_; }

 private:
  bool ReadSome(int ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buffer[1024];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    shown_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  pid_t pid_ = -1;
  int master_ = -1;
  std::string shown_;
  std::size_t searched_ = 0;
};

TEST(CliTerminal, AsksForPasswordsWithoutEchoAndTheNewOneTwice) {
  test::SimProcess relay(
      {"--model", "DRA", "--firmware", "190", "--password", "Kx7w", "--tcp", "127.0.0.1:0"});
  ASSERT_TRUE(relay.Ready()) << relay.Output();
  const std::string tcp = "127.0.0.1:" + std::to_string(relay.TcpPort());
  {
    TerminalSession cli({"--tcp", tcp, "set", "600=Typed"});
    ASSERT_TRUE(cli.WaitFor("Password: ")) << cli.Shown();
    cli.Type("Kx7w\n");
    EXPECT_EQ(cli.Finish(), 0) << cli.Shown();
    EXPECT_EQ(cli.Shown().find("Kx7w"), std::string::npos) << cli.Shown();
    EXPECT_NE(cli.Shown().find("600\tRelay Title\tTyped"), std::string::npos) << cli.Shown();
  }
  {
    TerminalSession cli({"--tcp", tcp, "change-password"});
    ASSERT_TRUE(cli.WaitFor("Password: "));
    cli.Type("Kx7w\n");
    ASSERT_TRUE(cli.WaitFor("New password: "));
    cli.Type("Qz3v\n");
    ASSERT_TRUE(cli.WaitFor("New password again: "));
    cli.Type("Qz3V\n");
    EXPECT_EQ(cli.Finish(), 2);
    EXPECT_NE(cli.Shown().find("typed differently the second time"), std::string::npos)
        << cli.Shown();
  }
  {
    TerminalSession cli({"--tcp", tcp, "change-password"});
    ASSERT_TRUE(cli.WaitFor("Password: "));
    cli.Type("Kx7w\n");
    ASSERT_TRUE(cli.WaitFor("New password: "));
    cli.Type("Qz3v\n");
    ASSERT_TRUE(cli.WaitFor("New password again: "));
    cli.Type("Qz3v\n");
    EXPECT_EQ(cli.Finish(), 0) << cli.Shown();
    EXPECT_EQ(cli.Shown().find("Qz3v"), std::string::npos) << cli.Shown();
  }
  const ProgramResult check = test::RunProgram(
      test::RuntimeProgram("kvx-cli"), {"--tcp", tcp, "set", "600=X", "--password", "Qz3v"});
  EXPECT_EQ(check.exitCode, 0) << check.err;
}

TEST(CliConcurrency, TwelveCommandsAtOnceAgainstOneRelayAreAllServed) {
  // Each reply 100 ms late, so that all twelve hold their connection at once.
  test::SimProcess relay({"--model", "DRA", "--firmware", "190", "--tcp", "127.0.0.1:0",
                          "--delay-ms", "100", "--serial", "70123"});
  ASSERT_TRUE(relay.Ready()) << relay.Output();
  const std::string tcp = "127.0.0.1:" + std::to_string(relay.TcpPort());
  constexpr int kCommands = 12;
  std::vector<ProgramResult> results(kCommands);
  std::vector<std::thread> threads;
  for (int i = 0; i < kCommands; ++i) {
    threads.emplace_back([&, i] {
      results[static_cast<std::size_t>(i)] =
          test::RunProgram(test::RuntimeProgram("kvx-cli"), {"--tcp", tcp, "identify"});
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < kCommands; ++i) {
    const ProgramResult& r = results[static_cast<std::size_t>(i)];
    EXPECT_EQ(r.exitCode, 0) << i << ": " << r.err;
    EXPECT_NE(r.out.find("serial number: 70123\n"), std::string::npos) << i << ": " << r.out;
  }
}

}  // namespace
}  // namespace kvx
