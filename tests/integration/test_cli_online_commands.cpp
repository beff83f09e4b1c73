// kvx-cli's online commands run as programs against the kvx-relay-sim program,
// over Modbus TCP and over its pseudo-terminal: output, exit codes, and what
// the relay holds afterwards.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_program.h"
#include "support/scratch_folder.h"
#include "support/sim_process.h"

namespace kvx {
namespace {

using test::ProgramResult;

enum class Link { Tcp, Rtu };

class CliOnline : public ::testing::TestWithParam<Link> {
 protected:
  void StartRelay(std::vector<std::string> args) {
    args.insert(args.end(), {"--serial", "70123"});
    if (GetParam() == Link::Tcp) {
      args.insert(args.end(), {"--tcp", "127.0.0.1:0"});
    } else {
      args.insert(args.end(), {"--rtu-pty", (folder / "relay").string()});
    }
    relay = std::make_unique<test::SimProcess>(args);
    ASSERT_TRUE(relay->Ready()) << relay->Output();
  }
  ProgramResult Cli(std::vector<std::string> args) {
    if (GetParam() == Link::Tcp) {
      args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(relay->TcpPort())});
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

TEST_P(CliOnline, ReadThenWriteSetpointsRoundTripsTheRelaysValues) {
  StartRelay({"--model", "DRB-50", "--firmware", "123"});
  ProgramResult set = Cli({"set", "600=Pump 7", "--password", "1234"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  const auto file = (folder / "pump.cds").string();
  ProgramResult read = Cli({"read-setpoints", "-o", file});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  EXPECT_NE(read.err.find("Reading Settings: group 0\n"), std::string::npos) << read.err;

  ASSERT_EQ(Cli({"set", "600=Other", "--password", "1234"}).exitCode, 0);
  ProgramResult write = Cli({"write-setpoints", file, "--password", "1234"});
  EXPECT_EQ(write.exitCode, 0) << write.err;
  EXPECT_NE(write.err.find("Writing to Unit: group 0\n"), std::string::npos) << write.err;
  ProgramResult get = Cli({"get", "600"});
  EXPECT_EQ(get.exitCode, 0) << get.err;
  EXPECT_EQ(get.out, "600\tRelay Title\tPump 7\t\n");

  ProgramResult table = Cli({"read-setpoints"});
  EXPECT_EQ(table.exitCode, 0) << table.err;
  EXPECT_EQ(table.out.substr(0, 41), "Unit\tDRB-50\nFirmware\t1.20\n\n[System Name]\n");
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

TEST_P(CliOnline, SetChecksLimitsBeforeWritingAndReportsAValueTheRelayRounds) {
  StartRelay({"--model", "DRA", "--firmware", "190"});
  ProgramResult before = Cli({"get", "24", "13"});
  ASSERT_EQ(before.exitCode, 0) << before.err;

  // One value outside its limits: nothing at all is written.
  ProgramResult outside = Cli({"set", "13=7", "24=999", "--password", "1234"});
  EXPECT_EQ(outside.exitCode, 2);
  EXPECT_NE(outside.err.find("register 24: 999 is outside"), std::string::npos) << outside.err;
  EXPECT_EQ(Cli({"get", "24", "13"}).out, before.out);

  ProgramResult rounded = Cli({"set", "24=6.4", "--password", "1234"});
  EXPECT_EQ(rounded.exitCode, 1);
  EXPECT_NE(rounded.err.find("Error writing Setpoint: register 24 reads back 6"), std::string::npos)
      << rounded.err;

  ProgramResult ok = Cli({"set", "24=7", "12=Alarm", "--password", "1234"});
  EXPECT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_EQ(ok.out, "24\tTime Between Starts\t7\tmin\n12\tOverload Action\tAlarm\t\n");

  ProgramResult locked = Cli({"set", "24=8", "--password", "9999"});
  EXPECT_EQ(locked.exitCode, 2);
  EXPECT_EQ(Cli({"get", "24"}).out, "24\tTime Between Starts\t7\tmin\n");
  EXPECT_EQ(Cli({"set", "620=4", "--password", "1234"}).exitCode, 2) << "read-only";
}

TEST_P(CliOnline, ChangePasswordNeedsTheCurrentOne) {
  StartRelay({"--model", "QRT-2600", "--firmware", "107"});
  EXPECT_EQ(Cli({"change-password", "--password", "1234", "AB"}).exitCode, 2);
  ProgramResult wrong = Cli({"change-password", "--password", "0000", "ABCD"});
  EXPECT_EQ(wrong.exitCode, 2);
  EXPECT_NE(wrong.err.find("Password Error: Wrong Password\n"), std::string::npos) << wrong.err;
  EXPECT_EQ(Cli({"change-password", "--password", "1234", "ABCD"}).exitCode, 0);
  EXPECT_EQ(Cli({"set", "600=X", "--password", "1234"}).exitCode, 2);
  EXPECT_EQ(Cli({"set", "600=X", "--password", "ABCD"}).exitCode, 0);
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

INSTANTIATE_TEST_SUITE_P(Links, CliOnline, ::testing::Values(Link::Tcp, Link::Rtu),
                         [](const auto& info) { return info.param == Link::Tcp ? "tcp" : "rtu"; });

}  // namespace
}  // namespace kvx
