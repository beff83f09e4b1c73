// kvx-cli curves on the shipped definition files: the printed tables are the
// model's own texts, and they carry independently computed trip times.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "curves/custom_curve.h"
#include "curves/feeder_curves.h"
#include "curves/motor_curves.h"
#include "setpoints/load_setting_file.h"
#include "support/run_program.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";
const std::string kFeederFile = (kDefaults / "fdx_defaults_110.xml").string();
const std::string kMotorFile = (kDefaults / "dra_defaults_230.xml").string();

test::ProgramResult Cli(const std::vector<std::string>& args) {
  return test::RunProgram(test::RuntimeProgram("kvx-cli"), args);
}

std::string TableText(const PointsTable& t) {
  std::string s;
  auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) s += (i ? "\t" : "") + cells[i];
    s += '\n';
  };
  line(t.header);
  for (const auto& r : t.rows) line(r);
  return s;
}

SettingStore Load(const std::string& file) {
  SettingStore store;
  EXPECT_TRUE(LoadSettingFile(store, file, kDefaults)) << file;
  return store;
}

// The cell of `column` in the row whose first cell is `key`.
std::string Cell(const std::string& table, const std::string& key, std::size_t column) {
  std::istringstream in(table);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
      cells.push_back(line.substr(start, tab - start));
    cells.push_back(line.substr(start));
    if (cells[0] == key) return column < cells.size() ? cells[column] : "<no column>";
  }
  return "<no row " + key + ">";
}

TEST(CliCurves, FeederTablesAreTheModelsOwn) {
  const FeederSettings settings =
      FeederSettingsFromRecord(FillFdxPlotData(Load(kFeederFile).settings));
  struct Case {
    std::vector<std::string> args;
    bool multiples;
    int group;
    std::array<bool, kFeederElements> ticks;
  };
  const Case cases[] = {
      {{}, false, 1, {true, false, true, true, false, false, false}},
      {{"--multiples"}, true, 1, {true, false, true, true, false, false, false}},
      {{"--group", "2", "--elements", "overload,warm,earth-fault-ct-input-definite-time", "--warm",
        "30"},
       false,
       2,
       {true, true, false, false, false, false, true}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"curves", kFeederFile};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = Cli(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    FeederView view;
    view.multiplesOfCtRating = c.multiples;
    view.ticked[static_cast<std::size_t>(c.group - 1)] = c.ticks;
    if (c.group == 2) view.warmPercent = {30, 30};
    view.page = c.group == 1 ? FeederPage::Group1Points : FeederPage::Group2Points;
    const FeederCurves curves = BuildCurves(settings, view);
    ASSERT_TRUE(curves.pageTable);
    EXPECT_EQ(r.out, TableText(*curves.pageTable)) << c.args.size();
    EXPECT_EQ(r.err, "");
  }
}

TEST(CliCurves, FeederTimesMatchThePublishedFormulas) {
  // Phase inverse group 1: IEC normal inverse, TMS 0.1, pickup 1 x 400 A. At
  // M = 10 (4000 A) the standard gives 0.1 x 2.971 s.
  auto r = Cli({"curves", kFeederFile, "--elements", "phase-inverse"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Cell(r.out, "4000", 2), "0.297");
  EXPECT_EQ(Cell(r.out, "4000", 1), "0.297");
  // 3Io inverse group 1: IEC very inverse, TMS 0.2, pickup 0.2 x 400 A; at
  // 800 A (M = 10) 0.2 x 1.500 s.
  r = Cli({"curves", kFeederFile, "--elements", "earth-fault-3io-inverse"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Cell(r.out, "800", 2), "0.300");
  // In multiples of CT rating the same point is at 2.00.
  r = Cli({"curves", kFeederFile, "--multiples", "--elements", "earth-fault-3io-inverse"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\t')), "Multiples of CT Rating");
  EXPECT_EQ(Cell(r.out, "2.00", 2), "0.300");
}

TEST(CliCurves, MotorTableIsTheModelsOwnAndPassesTheLockedRotorPoint) {
  const MotorSettings settings = MotorSettingsFromRecord(FillDraPlotData(Load(kMotorFile)));
  for (const auto& [args, w] : std::vector<std::pair<std::vector<std::string>, double>>{
           {{}, 50}, {{"--warm", "25", "--elements", "cold,jam"}, 25}}) {
    std::vector<std::string> all = {"curves", kMotorFile};
    all.insert(all.end(), args.begin(), args.end());
    const auto r = Cli(all);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    MotorView view;
    view.thermalCapacity = w;
    if (!args.empty()) view.ticked = {true, false, false, false, true};
    MotorCurves curves;
    ASSERT_TRUE(BuildMotorCurves(settings, view, curves).ok);
    EXPECT_EQ(r.out, TableText(curves.table));
  }
  const auto r = Cli({"curves", kMotorFile});
  // The locked-rotor point (6 x FLA, 10 s cold) and the service-factor row.
  EXPECT_EQ(Cell(r.out, "600", 2), "10.00");
  EXPECT_EQ(Cell(r.out, "600", 3), "5.00");
  EXPECT_EQ(Cell(r.out, "115", 2), "9999.99");
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "% FLA\tCurrent (A)\t0% Curve\t50% Curve");
}

TEST(CliCurves, SeriesAsCsvAndACustomCurveLaidIn) {
  test::ScratchFolder dir;
  const auto points = dir.Write("custom.txt", "CURRENT\tTIME\n100\t50\n50000\t0.1\n");
  auto r = Cli({"curves", kFeederFile, "--series", "--custom", points.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 20), "series,current,time\n");
  EXPECT_NE(r.out.find("\nOG1,"), std::string::npos);
  EXPECT_NE(r.out.find("\nPIG1,"), std::string::npos);
  EXPECT_EQ(r.out.find("\nEFIG1,"), std::string::npos);  // not ticked
  EXPECT_NE(r.out.find("\nCustom_Curve,50000,0.1\n"), std::string::npos);
  // The custom curve widens the current axis, so the table runs to 100000 A.
  r = Cli({"curves", kFeederFile, "--custom", points.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1, 7), "100000\t");

  r = Cli({"curves", kMotorFile, "--series"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\nCold_Series,115,9999.9902"), std::string::npos) << r.out.substr(0, 300);
  EXPECT_NE(r.out.find("\nTrend_Series,1,"), std::string::npos);
}

TEST(CliCurves, RefusalsSayWhy) {
  test::ScratchFolder dir;
  const auto bad = dir.Write("bad.txt", "CURRENT\tTIME\n100\t50\nten\t1\n");
  struct Case {
    std::vector<std::string> args;
    int exit;
    const char* says;
  };
  const Case cases[] = {
      {{"curves", (dir / "missing.xml").string()}, 3, "Error Loading File."},
      {{"curves", kFeederFile, "--custom", bad.string()}, 3, "Line 3 is not a point:"},
      {{"curves", kFeederFile, "--custom", bad.string(), "--multiples"}, 2, "Current (A) axis"},
      {{"curves", kFeederFile, "--elements", "jam"}, 2, "unknown feeder element"},
      {{"curves", kMotorFile, "--group", "2"}, 2, "for feeder relays"},
      {{"curves", kMotorFile, "--warm", "100"}, 2, "--warm"},
  };
  for (const Case& c : cases) {
    const auto r = Cli(c.args);
    EXPECT_EQ(r.exitCode, c.exit) << c.says << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << c.says;
  }
}

// --plot draws the chart into a picture file; a kvx-cli built without the
// Qt renderer says so and writes nothing.
TEST(CliCurves, PlotWritesThePictureAsked) {
  test::ScratchFolder dir;
  const std::string png = (dir / "feeder.png").string();
  const auto r = Cli({"curves", kFeederFile, "--elements", "overload,phase-inverse", "--plot", png,
                      "--plot-width", "800", "--plot-height", "600"});
  if (r.exitCode == 2 && r.err.find("built without the chart renderer") != std::string::npos) {
    EXPECT_FALSE(std::filesystem::exists(png));
    GTEST_SKIP() << "kvx-cli without the chart renderer";
  }
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(r.out.empty()) << "the picture replaces the table";
  // The PNG header carries the size asked for.
  std::ifstream in(png, std::ios::binary);
  std::string head(24, '\0');
  in.read(head.data(), 24);
  ASSERT_EQ(head.substr(1, 3), "PNG");
  auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(head[at]) << 24) |
           (static_cast<unsigned char>(head[at + 1]) << 16) |
           (static_cast<unsigned char>(head[at + 2]) << 8) |
           static_cast<unsigned char>(head[at + 3]);
  };
  EXPECT_EQ(be32(16), 800u);
  EXPECT_EQ(be32(20), 600u);
  EXPECT_GT(std::filesystem::file_size(png), 10000u);

  // SVG and PDF of a motor relay: vector drawings with the axis titles.
  const std::string svg = (dir / "motor.svg").string();
  ASSERT_EQ(Cli({"curves", kMotorFile, "--plot", svg}).exitCode, 0);
  std::ifstream svgIn(svg);
  const std::string svgText((std::istreambuf_iterator<char>(svgIn)), {});
  EXPECT_NE(svgText.find("<svg"), std::string::npos);
  EXPECT_NE(svgText.find("Percent Full-Load Current"), std::string::npos);
  const std::string pdf = (dir / "motor.pdf").string();
  ASSERT_EQ(Cli({"curves", kMotorFile, "--plot", pdf}).exitCode, 0);
  std::ifstream pdfIn(pdf, std::ios::binary);
  std::string magic(5, '\0');
  pdfIn.read(magic.data(), 5);
  EXPECT_EQ(magic, "%PDF-");

  // A picture type it cannot write, or a folder that does not exist: refused, no file.
  const auto bmp = Cli({"curves", kFeederFile, "--plot", (dir / "x.bmp").string()});
  EXPECT_EQ(bmp.exitCode, 3);
  EXPECT_NE(bmp.err.find(".png, .svg or .pdf"), std::string::npos) << bmp.err;
  EXPECT_FALSE(std::filesystem::exists(dir / "x.bmp"));
  const auto nowhere = Cli({"curves", kFeederFile, "--plot", (dir / "no" / "x.png").string()});
  EXPECT_EQ(nowhere.exitCode, 3);
  EXPECT_NE(nowhere.err.find("cannot write"), std::string::npos) << nowhere.err;
}

}  // namespace
}  // namespace kvx
