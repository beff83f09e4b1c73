// kvx-cli log against the simulator program over Modbus TCP: the daily file
// with the Metering page's columns, a gap without lines while the relay is
// silent, lines again when it answers, and a clean end on --duration.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/run_program.h"
#include "support/scratch_folder.h"
#include "support/sim_process.h"

namespace kvx {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::size_t Fields(const std::string& line) {
  return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
}

TEST(CliLog, GapWhileTheRelayIsSilentThenLinesAgain) {
  test::SimProcess sim({"--model", "DRA", "--firmware", "230", "--tcp", "127.0.0.1:0"});
  ASSERT_TRUE(sim.Ready()) << sim.Output();
  test::ScratchFolder folder;
  const std::string base = (folder / "Pump").string();

  // The relay falls silent after about 4 s and answers again about 5 s later.
  std::thread trainer([&sim] {
    std::this_thread::sleep_for(std::chrono::milliseconds(4200));
    sim.Control("silent on");
    std::this_thread::sleep_for(std::chrono::milliseconds(5000));
    sim.Control("silent off");
  });
  const auto r = test::RunProgram(test::RuntimeProgram("kvx-cli"),
                                  {"--tcp", "127.0.0.1:" + std::to_string(sim.TcpPort()), "log",
                                   "--out", base + ".txt", "--period", "2", "--duration", "16"},
                                  std::chrono::seconds(60));
  trainer.join();
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_NE(r.err.find("the relay stopped answering"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the relay answers again; logging resumed"), std::string::npos) << r.err;

  // One file per local day: the run may straddle midnight.
  std::vector<std::string> data;
  std::string header;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    const auto lines = Lines(test::ReadWholeFile(entry.path()));
    ASSERT_FALSE(lines.empty());
    header = lines.front();
    data.insert(data.end(), lines.begin() + 1, lines.end());
  }
  ASSERT_EQ(header.rfind("Date\tTime\t", 0), 0u) << header;
  EXPECT_NE(header.find("\tPhase A Current\t"), std::string::npos) << header;
  for (const std::string& line : data) {
    EXPECT_EQ(line.back(), '\r');
    EXPECT_EQ(Fields(line), Fields(header)) << line;  // every value under its heading
  }
  // Eight periods of 2 s: lines before and after the silence, and at least
  // two periods inside it without any.
  unsigned written = 0, empty = 0;
  ASSERT_EQ(std::sscanf(r.out.c_str(), "Wrote %u lines; %u periods", &written, &empty), 2) << r.out;
  EXPECT_EQ(written, data.size());
  EXPECT_GE(written, 3u) << r.out;
  EXPECT_GE(empty, 2u) << r.out;
  EXPECT_LE(written + empty, 8u) << r.out;
}

TEST(CliLog, RefusesAPeriodBelowTwoSeconds) {
  const auto r = test::RunProgram(test::RuntimeProgram("kvx-cli"),
                                  {"--tcp", "127.0.0.1:1", "log", "--out", "x", "--period", "1"});
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_NE(r.err.find("--period"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kvx
