// `kvx-cli meter` against the simulator with steady metering, checked against
// the registers as pymodbus reads them and decoded here: singles, the 32-bit
// seconds counter, the energy doubles and the per-unit ratios.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/sim_process.h"

namespace kvx {
namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, sep)) parts.push_back(part);
  return parts;
}

// Register -> word, from "FIRST w0 w1 ..." lines.
std::map<int, std::uint16_t> ReadWithPymodbus(int port, const std::vector<std::string>& blocks) {
  std::vector<std::string> args{std::string(KVX_PEER_SCRIPTS_DIR) + "/read_blocks.py",
                                std::to_string(port), "254"};
  args.insert(args.end(), blocks.begin(), blocks.end());
  const test::ProgramResult r = test::RunProgram(KVX_PYTHON, args);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  std::map<int, std::uint16_t> words;
  for (const std::string& line : Split(r.out, '\n')) {
    const auto fields = Split(line, ' ');
    if (fields.size() < 2) continue;
    const int first = std::stoi(fields[0]);
    for (std::size_t i = 1; i < fields.size(); ++i) {
      words[first + static_cast<int>(i) - 1] = static_cast<std::uint16_t>(std::stoul(fields[i]));
    }
  }
  return words;
}

struct Decoder {
  std::map<int, std::uint16_t> w;
  double Single(int r) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(w.at(r)) |
                                (static_cast<std::uint32_t>(w.at(r + 1)) << 16));
  }
  // What the relay's register r means, in the unit the page shows it.
  double Value(int r) {
    if (r >= 860 && r <= 972) return Single(r);
    if (r == 1210 || r == 1211) {
      const auto seconds = static_cast<std::int32_t>(
          static_cast<std::uint32_t>(w.at(r)) | (static_cast<std::uint32_t>(w.at(r + 1)) << 16));
      return seconds / 3600.0;
    }
    if (r >= 1212 && r <= 1223) {
      std::uint64_t bits = 0;
      for (int k = 0; k < 4; ++k) bits |= static_cast<std::uint64_t>(w.at(r + k)) << (16 * k);
      return std::bit_cast<double>(bits) / 3600.0;
    }
    if (r >= 1224 && r <= 1228) return Single(r);
    return 0;
  }
};

const std::vector<std::string> kBlocks = {"390:1", "860:100", "960:16", "1210:20",
                                          "225:4", "218:2",   "251:2"};

struct MeterCase {
  const char* model;
  const char* firmware;
  std::size_t perUnitRows;
  int currentBase;  // register of the base the phase currents are divided by
};

class CliMeterAgainstPymodbus : public ::testing::TestWithParam<MeterCase> {};

TEST_P(CliMeterAgainstPymodbus, EveryRowIsTheRegistersDecoded) {
  const MeterCase& c = GetParam();
  test::SimProcess sim(
      {"--model", c.model, "--firmware", c.firmware, "--tcp", "127.0.0.1:0", "--steady"});
  ASSERT_TRUE(sim.Ready()) << sim.Output();
  const test::ProgramResult meter =
      test::RunProgram(test::RuntimeProgram("kvx-cli"),
                       {"--tcp", "127.0.0.1:" + std::to_string(sim.TcpPort()), "meter"});
  ASSERT_EQ(meter.exitCode, 0) << meter.err;
  Decoder d{ReadWithPymodbus(sim.TcpPort(), kBlocks)};
  ASSERT_EQ(d.w.size(), 1u + 116 + 20 + 4 + 2 + 2);

  int checked = 0;
  std::vector<std::vector<std::string>> perUnit;
  for (const std::string& line : Split(meter.out, '\n')) {
    const auto f = Split(line + "\t", '\t');  // keep an empty last field
    ASSERT_GE(f.size(), 4u) << line;
    if (f[0].empty()) {
      perUnit.push_back(f);
      continue;
    }
    const int reg = std::stoi(f[0]);
    const double expected = d.Value(reg);
    const double shown = std::stod(f[2]);
    // The page shows two decimals (the energies too, through their type).
    EXPECT_NEAR(shown, expected, 0.0051) << line;
    ++checked;
  }
  EXPECT_GT(checked, 10);
  ASSERT_EQ(perUnit.size(), c.perUnitRows) << meter.out;
  // Ia = 860 / the current base; a zero base would show an empty value.
  const double base = d.Single(c.currentBase);
  EXPECT_EQ(perUnit[0][1], "Ia");
  EXPECT_EQ(perUnit[0][3], "pu");
  if (base != 0) {
    EXPECT_NEAR(std::stod(perUnit[0][2]), d.Single(860) / base, 0.0051);
  } else {
    EXPECT_EQ(perUnit[0][2], "");
  }
  // With no temperature module reported, no temperature row is printed.
  if (d.w.at(390) == 0) {
    EXPECT_EQ(meter.out.find("RTD Module"), std::string::npos);
  }

  // Steady: a second reading prints exactly the same.
  const test::ProgramResult again =
      test::RunProgram(test::RuntimeProgram("kvx-cli"),
                       {"--tcp", "127.0.0.1:" + std::to_string(sim.TcpPort()), "meter"});
  EXPECT_EQ(again.out, meter.out);
}

INSTANTIATE_TEST_SUITE_P(Families, CliMeterAgainstPymodbus,
                         ::testing::Values(MeterCase{"DRA", "230", 9, 225},
                                           MeterCase{"DRB-50", "170", 6, 225},
                                           MeterCase{"FDX-50", "110", 3, 251}),
                         [](const auto& info) {
                           return std::string(info.param.model == std::string("DRB-50")   ? "DRB"
                                              : info.param.model == std::string("FDX-50") ? "FDX"
                                                                                          : "DRA");
                         });

TEST(CliMeter, OverRtuTheSameRowsAsOverTcp) {
  test::SimProcess sim({"--model", "DRA", "--firmware", "230", "--tcp", "127.0.0.1:0", "--rtu-pty",
                        ::testing::TempDir() + "kvx-meter-rtu", "--steady"});
  ASSERT_TRUE(sim.Ready()) << sim.Output();
  const auto cli = test::RuntimeProgram("kvx-cli");
  const test::ProgramResult tcp =
      test::RunProgram(cli, {"--tcp", "127.0.0.1:" + std::to_string(sim.TcpPort()), "meter"});
  const test::ProgramResult rtu = test::RunProgram(cli, {"--rtu", sim.RtuLink(), "meter"});
  EXPECT_EQ(tcp.exitCode, 0) << tcp.err;
  EXPECT_EQ(rtu.exitCode, 0) << rtu.err;
  EXPECT_EQ(rtu.out, tcp.out);
  const test::ProgramResult status = test::RunProgram(cli, {"--rtu", sim.RtuLink(), "status"});
  EXPECT_EQ(status.exitCode, 0) << status.err;
  const auto lines = Split(status.out, '\n');
  ASSERT_EQ(lines.size(), 3u + 6 + 1 + 1) << status.out;  // first..third, dra panels, clock, link
  EXPECT_EQ(lines[0], "No Alarm or Trip");
  EXPECT_EQ(lines[2], "Starter: Idle");
  EXPECT_EQ(lines[9].size(), 8u);  // hh:mm:ss
  EXPECT_EQ(lines[10], "link: ONLINE");
}

}  // namespace
}  // namespace kvx
