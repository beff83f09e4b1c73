// The custom curve list: ordering and duplicates, interpolation, import with
// its refusals, the saved flag and the points-file section read back.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "curves/custom_curve.h"
#include "curves/feeder_curves.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows KeysAndTimes(const CustomCurveList& list) {
  Rows r;
  for (const CustomRow& row : list.rows()) r.emplace_back(row.key, row.time);
  return r;
}

const CustomRow* Find(const CustomCurveList& list, const std::string& key) {
  for (const CustomRow& r : list.rows())
    if (r.key == key) return &r;
  return nullptr;
}

TEST(CustomCurveList, AddingOrdersByCurrentAndDropsExactDuplicates) {
  CustomCurveList list(CustomCurveKind::Feeder);
  list.AddPoint(10, 2);
  list.AddPoint(5, 3);
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"5.00", "3.000"}, {"10.00", "2.000"}}));
  EXPECT_EQ(list.selectedRow(), 1);

  list.AddPoint(10, 2);
  EXPECT_EQ(list.rows().size(), 2u);
  list.AddPoint(10, 4);
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"5.00", "3.000"}, {"10.00", "4.000"}, {"10.00", "2.000"}}));
  EXPECT_EQ(list.selectedRow(), 2);
  EXPECT_EQ(list.series().points.size(), 3u);
  EXPECT_EQ(list.series().points[1].current, 10);
  EXPECT_EQ(list.series().points[1].time, 4);
}

TEST(CustomCurveList, NormalisingRemovesEmptyAndUnreadableRowsInAnyOrder) {
  CustomCurveList list(CustomCurveKind::Feeder);
  for (const auto& [k, t] : Rows{{"300.00", "1.000"},
                                 {"", "5.000"},
                                 {"20.00", ""},
                                 {"2.50", "80.000"},
                                 {"abc", "1.000"},
                                 {"300.00", "1.000"},
                                 {"2.50", "90.000"},
                                 {"0.50", "100.000"}})
    list.Append(k, t);
  list.NormaliseCustomList();
  EXPECT_EQ(
      KeysAndTimes(list),
      (Rows{{"0.50", "100.000"}, {"2.50", "90.000"}, {"2.50", "80.000"}, {"300.00", "1.000"}}));
  ASSERT_EQ(list.series().points.size(), 4u);
  EXPECT_EQ(list.series().points.back().current, 300);
}

TEST(CustomCurveList, SelectEditDeleteClearAndTheSavedFlag) {
  CustomCurveList list(CustomCurveKind::Feeder);
  EXPECT_FALSE(list.HasUnsavedPoints());
  list.AddPoint(1, 10);
  list.AddPoint(2, 5);
  list.AddPoint(3, 2);
  EXPECT_TRUE(list.HasUnsavedPoints());
  EXPECT_FALSE(list.Select(0));
  EXPECT_EQ(list.selectedRow(), 1);
  EXPECT_TRUE(list.Select(3));
  list.MarkSaved();
  list.BeginEdit();
  EXPECT_FALSE(list.saved());
  list.EditPoint(0.5, 20);
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"0.50", "20.000"}, {"1.00", "10.000"}, {"2.00", "5.000"}}));
  EXPECT_EQ(list.selectedRow(), 1);
  ASSERT_TRUE(list.Select(2));
  list.MarkSaved();
  list.DeletePoint();
  EXPECT_FALSE(list.saved());
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"0.50", "20.000"}, {"2.00", "5.000"}}));
  list.ClearAll();
  EXPECT_TRUE(list.rows().empty());
  EXPECT_EQ(list.GridRowCount(), 2);
  EXPECT_FALSE(list.HasUnsavedPoints());  // row 1 is empty: no close question
}

TEST(CustomCurveList, MotorAmperesFollowTheFla) {
  CustomCurveList list(CustomCurveKind::Motor);
  list.SetFla(50);
  list.AddPoint(600, 10);
  EXPECT_EQ(list.rows()[0].amperes, "300.00");
  list.SetFla(40);
  list.NormaliseCustomList();
  EXPECT_EQ(list.rows()[0].amperes, "240.00");
  EXPECT_EQ(list.Header(), (std::vector<std::string>{"Current (A)", "% FLA", "Time (s)"}));
}

TEST(CustomCurveInterpolation, StraightLinesOnTheChart) {
  struct Case {
    CustomCurveKind kind;
    bool logAxis;
    double i1, t1, i2, t2;
    std::size_t rows;
    const char* key;
    const char* time;
  };
  const Case cases[] = {
      {CustomCurveKind::Feeder, true, 20, 100, 50, 10, 31, "30.00", "36.099"},
      {CustomCurveKind::Motor, false, 250, 100, 350, 10, 11, "300.00", "31.623"},
      {CustomCurveKind::Motor, true, 250, 100, 350, 10, 11, "300.00", "28.717"},
      // 0.50 ... 1.00 by 0.01, then 1.01 by 0.1 up to 1.91, and the end row.
      {CustomCurveKind::Feeder, true, 0.5, 10, 2, 1, 51 + 10 + 1, "1.91", nullptr},
  };
  for (const Case& c : cases) {
    CustomCurveList list(c.kind);
    list.SetFla(100);
    list.AddPoint(c.i1, c.t1);
    list.AddPoint(c.i2, c.t2);
    list.LinearInterpolation(c.logAxis);
    EXPECT_EQ(list.rows().size(), c.rows) << c.key;
    const CustomRow* r = Find(list, c.key);
    ASSERT_NE(r, nullptr) << c.key;
    if (c.time) {
      EXPECT_EQ(r->time, c.time) << c.key;
    }
  }
}

TEST(CustomCurveInterpolation, MotorStepsAndPairsThatCannotBeJoined) {
  CustomCurveList motor(CustomCurveKind::Motor);
  motor.AddPoint(200, 100);
  motor.AddPoint(300, 10);
  motor.LinearInterpolation(false);
  std::vector<std::string> keys;
  for (const CustomRow& r : motor.rows()) keys.push_back(r.key);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"200.00", "205.00", "215.00", "225.00", "235.00", "245.00",
                                      "255.00", "265.00", "275.00", "285.00", "295.00", "300.00"}));

  // Zero times have no logarithm; neighbours closer than a step get nothing.
  CustomCurveList feeder(CustomCurveKind::Feeder);
  feeder.Append("10.00", "0.00");
  feeder.Append("20.00", "5.00");
  feeder.Append("20.50", "4.00");
  feeder.Append("21.00", "3.00");
  feeder.NormaliseCustomList();
  feeder.LinearInterpolation();
  EXPECT_EQ(feeder.rows().size(), 4u);

  // Above the last step of the ladder the steps stay at 10000 A and the run ends.
  CustomCurveList huge(CustomCurveKind::Feeder);
  huge.AddPoint(1000000, 1);
  huge.AddPoint(1100000, 0.5);
  huge.LinearInterpolation();
  EXPECT_EQ(huge.rows().size(), 11u);
}

TEST(CustomCurveImport, FeederHeaderCaseBadLinesAndNothingHalfImported) {
  test::ScratchFolder dir;
  CustomCurveList list(CustomCurveKind::Feeder);
  list.AddPoint(7, 7);
  const Rows before = KeysAndTimes(list);

  const auto good =
      dir.Write("good.txt", "notes\r\ncurrent\ttime\r\n10\t2.5\r\n\r\n 5 \t 3\tx\r\n40\t1");
  const auto amperes = dir.Write("amperes.txt", "AMPERES\tTIME\n10\t2\n");
  const auto bad = dir.Write("bad.txt", "CURRENT\tTIME\n10\t2\n20\ttwo\n30\t1\n");
  for (const auto& path : {amperes, bad, dir / "missing.txt"}) {
    const ImportResult r = list.Import(path);
    EXPECT_FALSE(r.ok) << path;
    EXPECT_EQ(r.caption, "Import Error");
    EXPECT_EQ(KeysAndTimes(list), before) << path;
    EXPECT_FALSE(list.saved());
  }
  const ImportResult r = list.Import(bad);
  EXPECT_EQ(r.badLine, 3);
  EXPECT_EQ(r.lines[0], "Line 3 is not a point:");
  EXPECT_EQ(list.Import(amperes).lines[2], "second column. Requires CURRENT and TIME as column");

  ASSERT_TRUE(list.Import(good).ok);
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"5.00", "3.00"}, {"10.00", "2.50"}, {"40.00", "1.00"}}));
  EXPECT_TRUE(list.saved());
}

TEST(CustomCurveImport, TheSavedPointsFileReadsBack) {
  test::ScratchFolder dir;
  CustomCurveList list(CustomCurveKind::Feeder);
  list.AddPoint(20, 100);
  list.AddPoint(50, 10);
  list.AddPoint(2000, 0.05);
  FeederView view;
  const ChartAxes axes{{1, 100}, {0.01, 100}};
  FeederSettings settings;
  std::vector<std::string> lines = FeederPointsFileLines(BuildPointsTable(1, settings, view, axes),
                                                         BuildPointsTable(2, settings, view, axes));
  for (const std::string& l : list.SectionLines()) lines.push_back(l);
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  const auto file = dir.Write("Protection_Curves.txt", text);

  CustomCurveList back(CustomCurveKind::Feeder);
  ASSERT_TRUE(back.Import(file).ok);
  EXPECT_EQ(KeysAndTimes(back),
            (Rows{{"20.00", "100.00"}, {"50.00", "10.00"}, {"2000.00", "0.05"}}));

  CustomCurveList empty(CustomCurveKind::Feeder);
  EXPECT_EQ(empty.SectionLines(),
            (std::vector<std::string>{"Custom Curve Data Points", "CURRENT\tTIME"}));
}

TEST(CustomCurveImport, MotorFormatsAAndB) {
  test::ScratchFolder dir;
  const auto a = dir.Write("a.txt",
                           "This file was created by the relay tool\n"
                           "FLA%\tA\tB\tC\tTIME\t\n"
                           "200\tx\tx\tx\t40.5\t\n"
                           "300\tx\tx\tx\tnone\t\n"
                           "400\tx\tx\tx\t9\t\n");
  const auto notA = dir.Write("b.txt",
                              "This file was created by the relay tool\n"
                              "Something else\n"
                              "\"% fla\"\t\"time\"\n"
                              "250\t100\n"
                              "350\t10\n");
  const auto broken = dir.Write("c.txt", "% FLA\tTIME\n250\t100\n350\n");
  const auto neither = dir.Write("d.txt", "FLA\tSECONDS\n250\t100\n");

  CustomCurveList list(CustomCurveKind::Motor);
  list.SetFla(50);
  ASSERT_TRUE(list.Import(a).ok);
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"200", "40.5"}, {"400", "9"}}));
  EXPECT_EQ(list.rows()[1].amperes, "200.00");

  ASSERT_TRUE(list.Import(notA).ok);
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"250.00", "100.000"}, {"350.00", "10.000"}}));

  const ImportResult r = list.Import(broken);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.badLine, 3);
  const ImportResult n = list.Import(neither);
  EXPECT_FALSE(n.ok);
  EXPECT_EQ(n.lines[1], "with FLA as the first column, and TIME as the");
  EXPECT_EQ(KeysAndTimes(list), (Rows{{"250.00", "100.000"}, {"350.00", "10.000"}}));
}

}  // namespace
}  // namespace kvx
