// The daily metering log: file names, header once per day's file, lines that
// stay under their headings, failures counted and worded once.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "monitor/data_log.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

LocalDateTime At(int y, int mo, int d, int h, int mi, int s) {
  return {y, mo, d, h, mi, s};
}

DataLogRow Row(std::vector<std::string> values) {
  return {{"Phase A Current", "Phase B Current", "Stator RTD 1"}, std::move(values)};
}

TEST(DataLogNames, ExtensionTakenOffOnlyWhenItIsTxt) {
  const struct {
    const char* chosen;
    const char* base;
  } cases[] = {
      {"/logs/Pump.txt", "/logs/Pump"},
      {"/logs/Pump.TXT", "/logs/Pump"},
      {"/logs/Pump.TxT", "/logs/Pump"},
      {"/data/a.c", "/data/a.c"},  // cutting four characters here would leave "/data/"
      {"/data/Pump", "/data/Pump"},
      {".txt", ""},
      {"txt", "txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(DataLogBaseFromChosenPath(c.chosen), c.base) << c.chosen;
  EXPECT_EQ(DataLogFileName("C:/logs/Pump", At(2009, 3, 15, 14, 2, 7)),
            "C:/logs/Pump_20090315.txt");
}

TEST(DataLogLines, HeaderAndDataLineLayout) {
  EXPECT_EQ(DataLogHeaderLine({"M1", "M2", "T1"}), "Date\tTime\tM1\tM2\tT1\r\n");
  EXPECT_EQ(DataLogDataLine(At(2009, 3, 15, 14, 2, 7), {"412.50", "409.80", "Open"}),
            "2009/03/15\t14:02:07\t412.50\t409.80\tOpen\r\n");
  // An inactive temperature row keeps its column with an empty field.
  EXPECT_EQ(DataLogDataLine(At(2009, 3, 15, 0, 0, 0), {"1.00", "", "40"}),
            "2009/03/15\t00:00:00\t1.00\t\t40\r\n");
}

TEST(DataLogWriter, HeaderOnlyWhenTheDaysFileIsCreatedAndRolloverAtMidnight) {
  test::ScratchFolder dir;
  const std::string base = (dir / "Pump").string();
  LocalDateTime now = At(2026, 12, 10, 23, 59, 58);
  DataLogSession log(base, [&] { return now; });

  EXPECT_TRUE(log.Tick(true, Row({"1.00", "2.00", "30"})).wrote);
  now = At(2026, 12, 10, 23, 59, 59);
  EXPECT_TRUE(log.Tick(true, Row({"1.10", "2.10", "31"})).wrote);
  now = At(2026, 12, 11, 0, 0, 1);
  EXPECT_TRUE(log.Tick(true, Row({"1.20", "2.20", ""})).wrote);

  EXPECT_EQ(test::ReadWholeFile(dir / "Pump_20261210.txt"),
            "Date\tTime\tPhase A Current\tPhase B Current\tStator RTD 1\r\n"
            "2026/12/10\t23:59:58\t1.00\t2.00\t30\r\n"
            "2026/12/10\t23:59:59\t1.10\t2.10\t31\r\n");
  EXPECT_EQ(test::ReadWholeFile(dir / "Pump_20261211.txt"),
            "Date\tTime\tPhase A Current\tPhase B Current\tStator RTD 1\r\n"
            "2026/12/11\t00:00:01\t1.20\t2.20\t\r\n");
  EXPECT_EQ(log.linesWritten(), 3u);
}

TEST(DataLogWriter, AppendsToAnExistingFileAndSaysOnceWhenItsColumnsDiffer) {
  test::ScratchFolder dir;
  const std::string base = (dir / "Pump").string();
  const LocalDateTime now = At(2026, 12, 10, 8, 0, 0);
  // Same columns: lines follow without a second header and without a notice.
  dir.Write("Pump_20261210.txt",
            "Date\tTime\tPhase A Current\tPhase B Current\tStator RTD 1\r\n"
            "2026/12/10\t07:00:00\t9\t9\t9\r\n");
  DataLogSession same(base, [&] { return now; });
  const auto tick = same.Tick(true, Row({"1", "2", "3"}));
  EXPECT_TRUE(tick.wrote);
  EXPECT_FALSE(tick.write.createdFile);
  EXPECT_TRUE(tick.notice.empty()) << tick.notice;
  EXPECT_EQ(test::ReadWholeFile(dir / "Pump_20261210.txt"),
            "Date\tTime\tPhase A Current\tPhase B Current\tStator RTD 1\r\n"
            "2026/12/10\t07:00:00\t9\t9\t9\r\n"
            "2026/12/10\t08:00:00\t1\t2\t3\r\n");

  // Another relay model logged to the same base earlier today.
  dir.Write("Other_20261210.txt", "Date\tTime\tGround Current\r\n");
  DataLogSession other((dir / "Other").string(), [&] { return now; });
  const auto first = other.Tick(true, Row({"1", "2", "3"}));
  EXPECT_TRUE(first.wrote);
  EXPECT_TRUE(first.write.columnsDiffer);
  EXPECT_NE(first.notice.find("other columns"), std::string::npos) << first.notice;
  EXPECT_TRUE(other.Tick(true, Row({"1", "2", "3"})).notice.empty());
}

TEST(DataLogSession, OneLinePerPeriodWithTheLatestValuesAndNoneWithoutFreshMetering) {
  // Metering updates every second; the log ticks every 2 s or every 10 s.
  for (const int period : {2, 10}) {
    test::ScratchFolder dir;
    int second = 0;
    DataLogSession log((dir / "L").string(), [&] { return At(2026, 12, 10, 12, 0, second); });
    bool fresh = false;
    std::string latest;
    for (second = 1; second <= 40; ++second) {
      const bool meteringFailed = second > 20 && second <= 30;
      if (meteringFailed) {
        fresh = false;  // a failed read clears the flag, so no line repeats old values
      } else {
        fresh = true;
        latest = std::to_string(second);
      }
      if (second % period == 0) {
        log.Tick(fresh, {{"M"}, {latest}});
        fresh = false;
      }
    }
    const std::string text = test::ReadWholeFile(dir / "L_20261210.txt");
    std::size_t lines = 0;
    for (const char c : text) lines += c == '\n';
    const std::size_t periods = 40 / period;
    const std::size_t silent = 10 / period;  // the periods wholly inside the failed stretch
    EXPECT_EQ(lines, 1 + periods - silent) << "period " << period << "\n" << text;
    EXPECT_EQ(log.periodsWithoutData(), silent) << period;
    // Each line carries the value of the tick's own second: the latest update.
    EXPECT_NE(text.find("12:00:40\t40\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("12:00:30\t20\r\n"), std::string::npos) << "old values logged\n" << text;
  }
}

TEST(DataLogSession, UnwritableFolderIsCountedAndWordedOncePerRun) {
  test::ScratchFolder dir;
  const fs::path folder = dir / "gone";
  DataLogSession log((folder / "Pump").string(), [] { return At(2026, 12, 10, 9, 0, 0); });

  const auto first = log.Tick(true, Row({"1", "2", "3"}));
  EXPECT_FALSE(first.wrote);
  EXPECT_NE(first.notice.find("1 line could not be written"), std::string::npos) << first.notice;
  EXPECT_NE(first.notice.find("No such file or directory"), std::string::npos) << first.notice;
  EXPECT_TRUE(log.Tick(true, Row({"1", "2", "3"})).notice.empty());
  EXPECT_FALSE(log.Tick(true, Row({"1", "2", "3"})).wrote);
  EXPECT_EQ(log.linesFailed(), 3u);
  EXPECT_NE(log.FailureSummary().find("3 lines could not be written to " +
                                      (folder / "Pump_20261210.txt").string()),
            std::string::npos)
      << log.FailureSummary();

  fs::create_directory(folder);
  const auto back = log.Tick(true, Row({"4", "5", "6"}));
  EXPECT_TRUE(back.wrote);
  EXPECT_NE(back.notice.find("3 lines could not be written"), std::string::npos) << back.notice;
  EXPECT_TRUE(log.FailureSummary().empty());
  EXPECT_EQ(test::ReadWholeFile(folder / "Pump_20261210.txt"),
            "Date\tTime\tPhase A Current\tPhase B Current\tStator RTD 1\r\n"
            "2026/12/10\t09:00:00\t4\t5\t6\r\n");
}

}  // namespace
}  // namespace kvx
