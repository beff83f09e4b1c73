// kvx-cli's events, command words, clock and trip-codes against the
// simulator program over Modbus TCP.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/scratch_folder.h"
#include "support/sim_process.h"

namespace kvx {
namespace {

class CliEvents : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> args) {
    args.insert(args.end(), {"--tcp", "127.0.0.1:0"});
    sim = std::make_unique<test::SimProcess>(args);
    ASSERT_TRUE(sim->Ready()) << sim->Output();
  }
  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(sim->TcpPort())});
    return test::RunProgram(test::RuntimeProgram("kvx-cli"), args);
  }
  std::unique_ptr<test::SimProcess> sim;
};

TEST_F(CliEvents, CountShowAndSaveOfAWrappedRing) {
  Start({"--model", "DRA", "--firmware", "230", "--events", "70"});
  auto count = Cli({"events"});
  EXPECT_EQ(count.exitCode, 0) << count.err;
  EXPECT_EQ(count.out, "records: 70\nretained: 6-69\nnewest ID: 69\nIDs: record numbers\n");

  auto show = Cli({"events", "--show", "64"});
  EXPECT_EQ(show.exitCode, 0) << show.err;
  EXPECT_EQ(show.out.rfind("Date\t", 0), 0u) << show.out;
  EXPECT_NE(show.out.find("\nRecord Type\t"), std::string::npos);
  EXPECT_NE(show.out.find("\nPhase A Current\t"), std::string::npos);
  EXPECT_NE(show.out.find("\tA\n"), std::string::npos);  // units in the third column
  auto gone = Cli({"events", "--show", "5"});
  EXPECT_EQ(gone.exitCode, 2);
  EXPECT_NE(gone.err.find("no retained record has ID 5 (IDs 6 to 69)"), std::string::npos)
      << gone.err;

  test::ScratchFolder folder;
  auto save = Cli({"events", "--save", (folder / "events.txt").string()});
  EXPECT_EQ(save.exitCode, 0) << save.err;
  EXPECT_NE(save.err.find("Events saved: 64 records"), std::string::npos) << save.err;
  const std::string text = test::ReadWholeFile(folder / "events.txt");
  EXPECT_EQ(text.rfind("Record\tDate\tTime\tRecord Type\tCause\t", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
  EXPECT_NE(text.find("\r\n5\t"), std::string::npos);  // record 69, newest, first
  EXPECT_LT(text.find("\r\n5\t"), text.find("\r\n6\t"));

  auto nowhere = Cli({"events", "--save", (folder / "no" / "events.txt").string()});
  EXPECT_EQ(nowhere.exitCode, 3);
  EXPECT_NE(nowhere.err.find("Events not saved: no folder"), std::string::npos) << nowhere.err;
}

TEST_F(CliEvents, OlderFirmwareNamesRecordsBySlotAndClearEventsEmptiesTheRing) {
  Start({"--model", "DRA", "--firmware", "210", "--events", "70"});
  auto count = Cli({"events"});
  EXPECT_EQ(count.out, "records: 70\nretained: 6-69\nnewest ID: 5\nIDs: ring slots\n");
  EXPECT_EQ(Cli({"events", "--show", "0"}).exitCode, 0);  // record 64
  EXPECT_EQ(Cli({"command", "clear-events"}).exitCode, 0);
  auto empty = Cli({"events"});
  EXPECT_EQ(empty.out, "records: 0\n");
  test::ScratchFolder folder;
  auto save = Cli({"events", "--save", (folder / "events.txt").string()});
  EXPECT_EQ(save.exitCode, 1);
  EXPECT_NE(save.err.find("No Events to Save"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder / "events.txt"));
}

TEST_F(CliEvents, ResetTripsClearsATripAndItsCodes) {
  Start({"--model", "DRA", "--firmware", "230", "--events", "0"});
  ASSERT_EQ(Cli({"command", "net-trip-set"}).exitCode, 0);
  EXPECT_EQ(Cli({"read-registers", "1104", "2"}).out, "1104 119\n1105 255\n");
  EXPECT_EQ(Cli({"read-registers", "1096", "1"}).out, "1096 1\n");  // the trip bit
  EXPECT_EQ(Cli({"trip-codes"}).out, "Remote/Network Trip\n");
  auto events = Cli({"events", "--show", "0"});
  EXPECT_NE(events.out.find("Record Type\tTrip Record\t"), std::string::npos) << events.out;
  EXPECT_NE(events.out.find("Cause\tRemote/Network Trip\t"), std::string::npos) << events.out;

  auto reset = Cli({"command", "reset-trips"});
  EXPECT_EQ(reset.exitCode, 0) << reset.err;
  EXPECT_EQ(Cli({"read-registers", "1104", "1"}).out, "1104 255\n");
  EXPECT_EQ(Cli({"read-registers", "1096", "1"}).out, "1096 0\n");
  auto none = Cli({"trip-codes"});
  EXPECT_EQ(none.exitCode, 0) << none.err;
  EXPECT_EQ(none.out, "");

  auto bogus = Cli({"command", "reset"});
  EXPECT_EQ(bogus.exitCode, 2);
  EXPECT_NE(bogus.err.find("'reset' is no command name or number"), std::string::npos);
}

TEST_F(CliEvents, ClockSetTakesTheTextWithCommandFour) {
  Start({"--model", "FDX-50", "--firmware", "110"});
  auto set = Cli({"clock", "set", "10/01/02 24:05:09"});
  EXPECT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(Cli({"read-registers", "577", "1"}).out, "577 5\n");  // 00:05 the next day
  EXPECT_EQ(Cli({"clock", "set", "2010-01-02"}).exitCode, 2);
  EXPECT_EQ(Cli({"clock", "set"}).exitCode, 2);
  EXPECT_EQ(Cli({"clock", "set", "--local"}).exitCode, 0);
}

}  // namespace
}  // namespace kvx
