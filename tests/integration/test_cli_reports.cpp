// kvx-cli report, compare and revise as programs: on the shipped definition
// files, and against the kvx-relay-sim program for the relay's side.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "setpoints/load_setting_file.h"
#include "setpoints/revision_change.h"
#include "setpoints/write_setting_file.h"
#include "support/run_program.h"
#include "support/scratch_folder.h"
#include "support/sim_process.h"

namespace kvx {
namespace {

using test::ProgramResult;

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

ProgramResult Cli(const std::vector<std::string>& args) {
  return test::RunProgram(test::RuntimeProgram("kvx-cli"), args);
}

std::string Def(const char* name) {
  return (kDefaults / name).string();
}

int CrLfLines(const std::string& text) {
  int n = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++n;
  return n;
}

// A DRB-50 1.20 setpoint file with `edits` (register, value) applied.
std::string SetpointFile(const test::ScratchFolder& dir, const char* name,
                         const std::vector<std::pair<int, std::string>>& edits) {
  SettingStore s;
  EXPECT_TRUE(LoadSettingFile(s, kDefaults / "drb_defaults_120.xml", kDefaults));
  for (const auto& [x, v] : edits) s.settings[x].value = v;
  const auto path = dir / name;
  EXPECT_TRUE(WriteSettingFile(s, path).ok);
  return path.string();
}

TEST(CliReport, OfflineReportOfAFile) {
  test::ScratchFolder dir;
  const std::string out = (dir / "report.xls").string();
  const ProgramResult r = Cli({"report", Def("drb_defaults_130.xml"), "-o", out});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string text = test::ReadWholeFile(out);
  ASSERT_EQ(text.rfind("Halvoren TRAXILON\tSETPOINTS\t", 0), 0u);
  const std::string afterDate = text.substr(text.find("\r\n") + 2);
  EXPECT_EQ(
      afterDate.rfind(
          "Unit Type\tDRB-50\r\nFirmware Version\t1.30\r\n\r\n"
          "Section \tParameters \tValue \tUnits \tComments\r\nSystem Name \r\n\tRelay Title \t",
          0),
      0u);
  EXPECT_NE(text.find("\r\n\r\nJam \r\n\tJam Function \tDisabled \t \t\r\n"), std::string::npos);
  EXPECT_NE(text.find("\tJam Trip Delay \t5.00 \ts \t\r\n"), std::string::npos);

  // Displayed settings: only the groups named, one empty line at the end.
  const ProgramResult d = Cli({"report", Def("drb_defaults_130.xml"), "--displayed", "15"});
  ASSERT_EQ(d.exitCode, 0) << d.err;
  const std::string body = d.out.substr(d.out.find("Comments\r\n") + 10);
  EXPECT_EQ(body,
            "Jam \r\n\tJam Function \tDisabled \t \t\r\n\tJam Trip Level \t3.00 \tx FLA \t\r\n"
            "\tJam Trip Delay \t5.00 \ts \t\r\n\tJam Action \tTrip \t \t\r\n\r\n");
}

TEST(CliReport, FailuresSayWhy) {
  test::ScratchFolder dir;
  struct Case {
    std::vector<std::string> args;
    int exit;
    const char* says;
  } cases[] = {
      {{"report", Def("drb_defaults_130.xml"), "-o", (dir / "none" / "r.xls").string()},
       3,
       "could not be written"},
      {{"report", (dir / "absent.cds").string()}, 3, "Error Loading File."},
      {{"report", Def("drb_defaults_130.xml"), "--displayed", "Nonesuch"}, 2, "no group Nonesuch"},
      {{"report"}, 2, "either FILE or --relay"},
  };
  for (const Case& c : cases) {
    const ProgramResult r = Cli(c.args);
    EXPECT_EQ(r.exitCode, c.exit) << c.args.back() << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

TEST(CliCompare, ExitCodesAndSavedListing) {
  test::ScratchFolder dir;
  const std::string same = SetpointFile(dir, "same.cds", {});
  const std::string changed = SetpointFile(dir, "changed.cds", {{67, "12"}});
  const std::string noColumns = dir.Write("cols.xml",
                                          "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"CFG_"
                                          "NAME\" fieldtype=\"string\" WIDTH=\"10\"/></FIELDS>"
                                          "</METADATA><ROWDATA/></DATAPACKET>")
                                    .string();
  struct Case {
    std::string left, right;
    int exit;
    int savedLines;  // -1: nothing saved
    const char* says;
  } cases[] = {
      {Def("drb_defaults_120.xml"), same, 0, 6, "0 differences"},
      {Def("drb_defaults_120.xml"), changed, 1, 7, "1 difference"},
      {Def("drb_defaults_120.xml"), (dir / "absent.cds").string(), 3, -1, "Error Loading File."},
      {noColumns, same, 3, -1, "Error in First File."},
      {same, noColumns, 3, -1, "Error in Second File."},
  };
  for (const Case& c : cases) {
    const auto out = dir / "listing.txt";
    std::filesystem::remove(out);
    const ProgramResult r = Cli({"compare", c.left, c.right, "-o", out.string()});
    SCOPED_TRACE(c.right);
    EXPECT_EQ(r.exitCode, c.exit) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    if (c.savedLines < 0) {
      EXPECT_FALSE(std::filesystem::exists(out));
      continue;
    }
    const std::string text = test::ReadWholeFile(out);
    EXPECT_EQ(CrLfLines(text), c.savedLines);
    EXPECT_NE(text.find("\r\ndrb_defaults_120.xml \t\t\t\t" +
                        std::filesystem::path(c.right).filename().string() + "\r\n"),
              std::string::npos);
  }
  const ProgramResult r = Cli({"compare", Def("drb_defaults_120.xml"), changed});
  EXPECT_NE(r.out.find("\n   Jam Trip Delay\t5.00\ts\t|\t   Jam Trip Delay\t12.00\ts\n"),
            std::string::npos)
      << r.out;
}

TEST(CliRevise, Drb120To130) {
  test::ScratchFolder dir;
  // Jam Trip Level 12 is above its maximum of 10; the baud rate list changed type.
  const std::string file = SetpointFile(dir, "pump.cds", {{65, "12"}, {600, "Pump 4"}, {67, "25"}});
  const std::string out = (dir / "pump130.cds").string();

  // The firmware question needs an answer.
  const ProgramResult refused = Cli({"revise", file, "--firmware", "130", "-o", out});
  EXPECT_EQ(refused.exitCode, 4) << refused.err;
  EXPECT_NE(refused.err.find("Firmware Warning"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(out));

  const ProgramResult r = Cli({"revise", file, "--firmware", "130", "-o", out, "--yes"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "65\tJam Trip Level\t12.00\tx FLA\tout of limits\n"
            "151\tBaud Rate\tTIA 9600\t\tnot converted\n");
  EXPECT_NE(r.err.find("Setpoint Review"), std::string::npos);
  SettingStore saved;
  ASSERT_TRUE(LoadSettingFile(saved, out, kDefaults));
  EXPECT_EQ(saved.definitionFirmware, 130);
  EXPECT_EQ(saved.settings[65].value, "12");
  EXPECT_EQ(saved.settings[65].comment, kOutOfLimitsComment);
  EXPECT_EQ(saved.settings[151].comment, kNotConvertedComment);
  EXPECT_EQ(saved.settings[600].value, "Pump 4");  // a text is carried as it is
  EXPECT_EQ(saved.settings[67].value, "25");

  // --to names the file itself; another model is refused.
  const ProgramResult other =
      Cli({"revise", file, "--to", Def("fdx_defaults_110.xml"), "-o", out, "--yes"});
  EXPECT_EQ(other.exitCode, 3);
  EXPECT_NE(other.err.find("File was created for the wrong type of Unit."), std::string::npos);
}

class CliReportsOnline : public ::testing::Test {
 protected:
  void SetUp() override {
    relay = std::make_unique<test::SimProcess>(
        std::vector<std::string>{"--model", "DRB-50", "--firmware", "120", "--tcp", "127.0.0.1:0"});
    ASSERT_TRUE(relay->Ready()) << relay->Output();
  }
  ProgramResult Online(std::vector<std::string> args) {
    args.insert(args.begin(), {"--tcp", "127.0.0.1:" + std::to_string(relay->TcpPort())});
    return Cli(args);
  }
  std::unique_ptr<test::SimProcess> relay;
};

TEST_F(CliReportsOnline, RelayAgainstFileAndReport) {
  const std::string file = Def("drb_defaults_120.xml");
  const ProgramResult before = Online({"compare", "--relay", file});
  EXPECT_EQ(before.exitCode, 0) << before.err << before.out;

  ASSERT_EQ(Online({"set", "67=12", "--password", "1234"}).exitCode, 0);
  const ProgramResult after = Online({"compare", "--relay", file});
  EXPECT_EQ(after.exitCode, 1) << after.err;
  EXPECT_NE(after.out.find("\n   Jam Trip Delay\t12.00\ts\t|\t   Jam Trip Delay\t5.00\ts\n"),
            std::string::npos)
      << after.out;
  EXPECT_NE(after.err.find("1 difference"), std::string::npos);

  const ProgramResult report = Online({"report", "--relay", "--displayed", "Jam"});
  ASSERT_EQ(report.exitCode, 0) << report.err;
  EXPECT_NE(report.out.find("\r\nFirmware Version\t1.20\r\nNetwork Type\tModbus TCP\r\n"
                            "IP Address\t127.0.0.1\r\nNetwork ID\t254\r\n\r\n"),
            std::string::npos)
      << report.out;
  EXPECT_NE(report.out.find("\tJam Trip Delay \t12.00 \ts \t\r\n"), std::string::npos);
}

}  // namespace
}  // namespace kvx

namespace kvx {
namespace {

TEST(CliReportsSerial, HeaderNamesTheSerialLink) {
  test::ScratchFolder folder;
  const std::string rtu = (folder / "rtu").string();
  const std::string df1 = (folder / "df1").string();
  test::SimProcess relay(
      {"--model", "DRB-50", "--firmware", "120", "--rtu-pty", rtu, "--df1-pty", df1});
  ASSERT_TRUE(relay.Ready()) << relay.Output();
  struct Case {
    std::vector<std::string> link;
    const char* lines;
  } cases[] = {
      {{"--rtu", rtu, "--baud", "19200"},
       "Network Type\tModbus RTU\r\nConnected ID (Network or Local)\t254\r\nBaud Rate\t19200\r\n"},
      {{"--df1", df1, "--check", "bcc"},
       "Network Type\tAB-DF1 BCC\r\nConnected ID (Network or Local)\t254\r\nBaud Rate\t9600\r\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.link;
    args.insert(args.end(), {"report", "--relay", "--displayed", "Jam"});
    const ProgramResult r = Cli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\r\nFirmware Version\t1.20\r\n" + std::string(c.lines) + "\r\nSection "),
              std::string::npos)
        << r.out;
  }
}

}  // namespace
}  // namespace kvx
