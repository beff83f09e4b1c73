// kvx-cli's register commands against a loopback Modbus TCP responder and a
// pty RTU responder: output lines, exit codes 0/1/2 and --trace lines.

#include <gtest/gtest.h>

#include "support/rtu_responder.h"
#include "support/run_program.h"
#include "support/tcp_responder.h"

namespace kvx {
namespace {

using test::Fault;
using test::RunProgram;

class CliOverTcp : public ::testing::Test {
 protected:
  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(relay.Port())});
    return RunProgram(test::RuntimeProgram("kvx-cli"), args);
  }
  test::TcpResponder relay;
};

TEST_F(CliOverTcp, ReadRegistersPrintsOneLinePerRegisterAndTracesTheFrames) {
  auto r = Cli({"read-registers", "390", "3", "--trace"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "390 " + std::to_string(test::InitialRegisterValue(390)) + "\n391 " +
                       std::to_string(test::InitialRegisterValue(391)) + "\n392 " +
                       std::to_string(test::InitialRegisterValue(392)) + "\n");
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "TX: 00 00 00 00 00 06 FE 03 01 86 00 03");
  EXPECT_NE(r.err.find("\nRX: 00 00 00 00 00 09 FE 03 06 "), std::string::npos) << r.err;
}

TEST_F(CliOverTcp, WriteRegistersAndCommandReachTheRelay) {
  auto w = Cli({"--unit", "7", "write-registers", "20", "1", "65535", "3"});
  EXPECT_EQ(w.exitCode, 0) << w.err;
  EXPECT_EQ(relay.Registers().Read(20, 3), (std::vector<std::uint16_t>{1, 65535, 3}));
  EXPECT_EQ(relay.LastRequest()[6], 7);
  auto c = Cli({"command", "3"});
  EXPECT_EQ(c.exitCode, 0) << c.err;
  EXPECT_EQ(relay.Registers().At(6), 3);
}

TEST_F(CliOverTcp, ARelayThatDoesNotAnswerCorrectlyExitsOneWithAReasonAndTracesEachAttempt) {
  relay.Faults().Set(Fault::Exception);
  auto r = Cli({"read-registers", "0", "1", "--trace"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(
      r.err.find(
          "kvx-cli: read-registers failed: exception 2 (illegal data address) at register 0\n"),
      std::string::npos)
      << r.err;
  int tx = 0, rx = 0;
  for (std::size_t at = 0; (at = r.err.find("TX: ", at)) != std::string::npos; ++at) ++tx;
  for (std::size_t at = 0; (at = r.err.find("RX: ", at)) != std::string::npos; ++at) ++rx;
  EXPECT_EQ(tx, 3);
  EXPECT_EQ(rx, 3);
}

TEST_F(CliOverTcp, BadArgumentsExitTwoWithAMessageAndSendNothing) {
  const std::vector<std::vector<std::string>> bad = {
      {"--unit", "0", "read-registers", "0", "1"},
      {"--unit", "255", "read-registers", "0", "1"},
      {"read-registers", "0", "0"},
      {"read-registers", "0", "101"},
      {"read-registers", "zero", "1"},
      {"--baud", "1200", "read-registers", "0", "1"},
      {"write-registers", "0"},
      {"write-registers", "0", "65536"},
      {"read-registers", "10000", "1"},  // outside the TCP register range
      {"no-such-command"},
      {},
  };
  for (const auto& args : bad) {
    auto r = Cli(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.exitCode, 2) << joined << "\n" << r.err;
    EXPECT_FALSE(r.err.empty()) << joined;
  }
  EXPECT_EQ(relay.Requests(), 0);
}

TEST(CliLink, NamingNoLinkOrTwoLinksOrABadHostIsABadArgument) {
  const std::vector<std::vector<std::string>> bad = {
      {"read-registers", "0", "1"},
      {"--rtu", "/dev/null", "--tcp", "127.0.0.1", "read-registers", "0", "1"},
      {"--tcp", "127.0.0.1:0", "read-registers", "0", "1"},
      {"--tcp", "127.0.0.1:70000", "read-registers", "0", "1"},
      {"--tcp", ":502", "read-registers", "0", "1"},
      {"--tcp", "relay.local:502", "read-registers", "0", "1"},
  };
  for (const auto& args : bad) {
    auto r = RunProgram(test::RuntimeProgram("kvx-cli"), args);
    EXPECT_EQ(r.exitCode, 2) << args[1] << "\n" << r.err;
  }
}

TEST(CliLink, ReadsOverRtuAndReportsAMissingPort) {
  test::RtuResponder relay(254);
  auto r = RunProgram(
      test::RuntimeProgram("kvx-cli"),
      {"--rtu", relay.PortName(), "--baud", "19200", "read-registers", "390", "1", "--trace"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "390 " + std::to_string(test::InitialRegisterValue(390)) + "\n");
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "TX: FE 03 01 86 00 01 70 10");
  auto missing = RunProgram(test::RuntimeProgram("kvx-cli"),
                            {"--rtu", "/dev/no-such-port", "read-registers", "0", "1"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err,
            "kvx-cli: read-registers failed: cannot open /dev/no-such-port: No such file or "
            "directory\n");
}

}  // namespace
}  // namespace kvx
