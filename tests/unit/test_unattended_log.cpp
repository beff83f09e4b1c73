// The unattended logger on a fake clock: one line per period with the latest
// values, a gap (and one message each way) while the relay is silent, the
// day's files rolling over at midnight, and a clean end on the duration or
// on a stop request.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "monitor/unattended_log.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

// Starts at 23:59:50 local time; waiting moves time on at once.
class FakeClock : public LoggerClock {
 public:
  std::int64_t NowMs() override { return now; }
  void WaitUntil(std::int64_t untilMs, const std::atomic<bool>& stop) override {
    if (!stop.load()) now = std::max(now, untilMs);
  }
  LocalDateTime Local() override {
    const std::int64_t s = 23 * 3600 + 59 * 60 + 50 + now / 1000;
    const int day = 10 + static_cast<int>(s / 86400);
    return {2026,
            12,
            day,
            static_cast<int>(s / 3600 % 24),
            static_cast<int>(s / 60 % 60),
            static_cast<int>(s % 60)};
  }
  std::int64_t now = 0;
};

// Metering whose value is the second it was read at; silent in [silentFrom, silentTo).
class ScriptedMetering : public MeteringSource {
 public:
  explicit ScriptedMetering(FakeClock& clock) : clock_(clock) {}
  bool ReadCycle(DataLogRow& row, std::string& reason) override {
    ++reads;
    const std::int64_t s = clock_.now / 1000;
    if (s >= silentFrom && s < silentTo) {
      clock_.now += 1500;  // a read that times out takes its time
      reason = "NO ANSWER";
      return false;
    }
    row = {{"Seconds"}, {std::to_string(s)}};
    if (stopAfterReads && reads >= stopAfterReads) stop->store(true);
    return true;
  }
  std::int64_t silentFrom = -1, silentTo = -1;
  int reads = 0;
  int stopAfterReads = 0;
  std::atomic<bool>* stop = nullptr;

 private:
  FakeClock& clock_;
};

std::size_t Lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(UnattendedLog, GapWhileSilentThenResumesAndRollsOverAtMidnight) {
  test::ScratchFolder dir;
  FakeClock clock;
  ScriptedMetering metering(clock);
  metering.silentFrom = 20;
  metering.silentTo = 30;
  std::atomic<bool> stop{false};
  std::ostringstream messages;
  UnattendedLogOptions options;
  options.base = (dir / "Pump").string();
  options.periodMs = 4000;
  options.durationMs = 40000;

  const UnattendedLogResult r = RunUnattendedLog(options, metering, clock, stop, messages);

  // Ticks at 4, 8, ... 36 s (the tick at 40 s is the end): 9 periods. The
  // failed read at 20 s clears what the read at 19 s brought, so the ticks at
  // 20, 24 and 28 s write nothing; 32 s has the read after the relay came back.
  EXPECT_EQ(r.linesWritten, 6u);
  EXPECT_EQ(r.periodsWithoutData, 3u);
  EXPECT_EQ(r.linesFailed, 0u);
  // 23:59:50 + 4 s and + 8 s are still on the 10th; from + 12 s on the 11th.
  const std::string first = test::ReadWholeFile(dir / "Pump_20261210.txt");
  const std::string second = test::ReadWholeFile(dir / "Pump_20261211.txt");
  EXPECT_EQ(first,
            "Date\tTime\tSeconds\r\n"
            "2026/12/10\t23:59:54\t4\r\n"
            "2026/12/10\t23:59:58\t8\r\n");
  EXPECT_EQ(second.rfind("Date\tTime\tSeconds\r\n", 0), 0u) << second;
  EXPECT_EQ(second,
            "Date\tTime\tSeconds\r\n"
            "2026/12/11\t00:00:02\t12\r\n"
            "2026/12/11\t00:00:06\t16\r\n"
            "2026/12/11\t00:00:22\t31\r\n"
            "2026/12/11\t00:00:26\t35\r\n");

  const std::string said = messages.str();
  EXPECT_EQ(Lines(said), 2u) << said;
  EXPECT_NE(said.find("2026-12-11 00:00:11 the relay stopped answering (NO ANSWER)"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("the relay answers again; logging resumed"), std::string::npos) << said;
}

TEST(UnattendedLog, StopRequestEndsAfterTheCurrentLineAndShortPeriodsAreRaised) {
  test::ScratchFolder dir;
  FakeClock clock;
  ScriptedMetering metering(clock);
  std::atomic<bool> stop{false};
  metering.stop = &stop;
  metering.stopAfterReads = 9;  // stopped during the read at 8 s
  std::ostringstream messages;
  UnattendedLogOptions options;
  options.base = (dir / "L").string();
  options.periodMs = 500;  // below the 2 s minimum: logged every 2 s
  const UnattendedLogResult r = RunUnattendedLog(options, metering, clock, stop, messages);
  EXPECT_EQ(r.linesWritten, 4u);  // 2, 4, 6 and the tick due at 8 s after the last read
  EXPECT_EQ(metering.reads, 9);
  const std::string text = test::ReadWholeFile(dir / "L_20261210.txt");
  EXPECT_NE(text.find("23:59:58\t8\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace kvx
