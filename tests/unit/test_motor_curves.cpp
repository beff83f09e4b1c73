// Motor curve model: thermal and delay times with the family bands, the CT
// ratio check, the current pass and its table, the axis ladders, and the cold
// curve of every motor definition file through its locked-rotor point.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "curves/motor_curves.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

// SF 1.15, LRC 6 x FLA, 10 s cold, 5 s hot.
constexpr double kTau = 267.18;

TEST(MotorThermalTime, ColdAndWarmWithTheFamilyBands) {
  EXPECT_NEAR(ThermalTimeConstant(600, 10, 115), kTau, 0.005);
  const double tau = ThermalTimeConstant(600, 10, 115);
  struct Case {
    int kind;
    double h;
    BandSide side;
    std::int32_t family;
    double expected;
  };
  const Case cases[] = {
      {0, 120, BandSide::Nominal, 1, 669.54}, {0, 200, BandSide::Nominal, 1, 107.25},
      {0, 600, BandSide::Nominal, 1, 10.00},  {1, 120, BandSide::Nominal, 1, 334.77},
      {1, 600, BandSide::Nominal, 2, 5.00},   {0, 600, BandSide::Upper, 1, 10.20},
      {0, 600, BandSide::Lower, 1, 10.00},    {0, 600, BandSide::Upper, 2, 10.10},
      {0, 600, BandSide::Lower, 2, 10.00},    {0, 600, BandSide::Upper, 3, 10.00},
      {1, 600, BandSide::Upper, 1, 5.20},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(ThermalTime(c.kind, c.h, tau, 115, c.side, 50, c.family), c.expected, 0.005)
        << c.kind << " " << c.h << " family " << c.family;
  }
  // Lower is never below 0.025 s; the warm curve at 99 % is tiny.
  EXPECT_EQ(ThermalTime(1, 5000, tau, 115, BandSide::Lower, 99, 1), 0.025);
  // At and below the service factor there is no trip, and no value from the log.
  for (double h : {115.0, 100.0, 115.4}) {
    EXPECT_TRUE(std::isinf(ThermalTime(0, h, tau, 115.5, BandSide::Upper, 50, 1))) << h;
  }
  EXPECT_TRUE(std::isnan(ThermalTimeConstant(110, 10, 115)));
}

TEST(MotorDelayTime, FamilyBandsAndLimits) {
  struct Case {
    double delay;
    std::int32_t family;
    double lower, upper;
  };
  const Case cases[] = {
      {0.5, 2, 0.475, 0.525},  {2, 2, 1.96, 2.04}, {0.01, 2, 0.016, 0.045}, {1, 2, 0.95, 1.05},
      {0.01, 1, 0.025, 0.045}, {1, 1, 0.9, 1},     {5, 1, 4.5, 5},          {5, 3, 5, 5},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(DelayTime(c.delay, BandSide::Lower, c.family), c.lower, 1e-9) << c.delay;
    EXPECT_NEAR(DelayTime(c.delay, BandSide::Upper, c.family), c.upper, 1e-9) << c.delay;
    EXPECT_EQ(DelayTime(c.delay, BandSide::Nominal, c.family), c.delay);
  }
}

TEST(MotorCtRatio, PassesUpToTwentyFiveTimesFla) {
  struct Case {
    double ct, fla;
    bool ok;
  };
  const Case cases[] = {{2500, 100, true}, {3000, 100, false}, {100, 50, true},
                        {0, 50, true},     {-1, 50, false},    {100, 0, false}};
  for (const Case& c : cases) {
    MotorSettings s;
    s.ctPrimary = c.ct;
    s.fla = c.fla;
    const CtRatioCheck r = CheckCtRatio(s);
    EXPECT_EQ(r.ok, c.ok) << c.ct << " / " << c.fla;
    EXPECT_EQ(r.caption, c.ok ? "" : "Out of Range Error");
  }
  MotorSettings s;
  s.ctPrimary = 3000;
  s.fla = 100;
  EXPECT_EQ(CheckCtRatio(s).lines,
            (std::vector<std::string>{"CT Primary (Ip) should be set between",
                                      "100% and 300% of Full Load Current."}));
}

const std::vector<std::string>* RowAt(const PointsTable& t, const std::string& percent) {
  for (const auto& r : t.rows)
    if (r[0] == percent) return &r;
  return nullptr;
}

TEST(MotorBuild, CurrentPassTableTrendAndExtent) {
  MotorSettings s;  // 6 x FLA, 10 s / 5 s, SF 1.15, OC 10 x 100 A, FLA 50 A
  MotorCurves c;
  ASSERT_TRUE(BuildMotorCurves(s, MotorView{}, c).ok);
  EXPECT_EQ(c.table.header,
            (std::vector<std::string>{"% FLA", "Current (A)", "0% Curve", "50% Curve"}));
  // OC% = 10 x 100 x 100 / 50 = 2000: the pass and the table run to 2200 %.
  EXPECT_EQ(c.table.rows.size(), (2200u - 100u) / 5u + 1u);
  EXPECT_EQ(c.table.rows.back()[0], "2200");
  const std::vector<std::vector<std::string>> expected = {
      {"100", "50", "", ""},
      {"105", "53", "", ""},
      {"110", "55", "", ""},
      {"115", "58", "9999.99", "9999.99"},
      {"120", "60", "669.54", "334.77"},
      {"200", "100", "107.25", "53.62"},
      {"600", "300", "10.00", "5.00"},
      {"2200", "1100", ".73", ".37"},
  };
  for (const auto& row : expected) {
    const auto* r = RowAt(c.table, row[0]);
    ASSERT_NE(r, nullptr) << row[0];
    EXPECT_EQ(*r, row);
  }
  auto trendAt = [&](double h) {
    for (const CurvePoint& p : c.trend.points)
      if (std::abs(p.current - h) < 1e-4) return p.time;
    return -1.0;
  };
  EXPECT_NEAR(trendAt(100), 37.81, 0.005);
  EXPECT_NEAR(trendAt(120), 108.88, 0.005);
  EXPECT_EQ(c.trend.points.front().current, 1.0);
  // Cold band at 600 %: 10.00 ... 10.20 s (family 1); the curve starts at SFi.
  const auto& cold = c.Series(MotorElement::Cold).points;
  EXPECT_EQ(cold.front().current, 115);
  EXPECT_NEAR(cold.front().time, 9999.99, 1e-3);
  for (const CurvePoint& p : cold) ASSERT_TRUE(std::isfinite(p.time));
  // Overcurrent: the start line at OC%, then both band sides per whole %.
  const auto& oc = c.Series(MotorElement::Overcurrent).points;
  EXPECT_EQ(oc.front().current, 2000);
  EXPECT_EQ(oc.front().time, 10000);
  EXPECT_EQ(oc.size(), 1u + 2u * 201u);
  EXPECT_NEAR(oc[1].time, 0.1, 1e-6);   // family 1: upper = delay
  EXPECT_NEAR(oc[2].time, 0.09, 1e-6);  // lower = delay - 10 %
  EXPECT_EQ(c.ampereTexts, (std::array<std::string, 3>{"1000.00 A", "800.00 A", "150.00 A"}));
  EXPECT_EQ(c.axes.current.max, 2200);
  EXPECT_EQ(c.axes.current.min, 103);  // floor(0.9 x 115)
  EXPECT_EQ(c.axes.time.max, 10000);
  EXPECT_EQ(c.axes.time.min, 0.01);
}

TEST(MotorBuild, AFailedCtCheckKeepsWhatWasDrawnAndAZeroFlaDrawsNothing) {
  MotorSettings s;
  MotorCurves c;
  ASSERT_TRUE(BuildMotorCurves(s, MotorView{}, c).ok);
  const auto rows = c.table.rows;
  const auto coldPoints = c.Series(MotorElement::Cold).points.size();
  s.ctPrimary = 3000;
  s.fla = 100;
  EXPECT_FALSE(BuildMotorCurves(s, MotorView{}, c).ok);
  EXPECT_EQ(c.table.rows, rows);
  EXPECT_EQ(c.Series(MotorElement::Cold).points.size(), coldPoints);
  EXPECT_EQ(c.ampereTexts[0], "30000.00 A");

  MotorCurves fresh;
  s.fla = 0;
  const CtRatioCheck r = BuildMotorCurves(s, MotorView{}, fresh);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(fresh.built);
  EXPECT_TRUE(fresh.Series(MotorElement::Cold).points.empty());
}

TEST(MotorBuild, AServiceFactorWithMoreDecimalsLeavesNoUndefinedPoints) {
  MotorSettings s;
  s.serviceFactor = 1.155;
  MotorCurves c;
  ASSERT_TRUE(BuildMotorCurves(s, MotorView{}, c).ok);
  for (const CurveSeries& series : c.series)
    for (const CurvePoint& p : series.points) ASSERT_TRUE(std::isfinite(p.time)) << series.name;
  EXPECT_EQ((*RowAt(c.table, "115"))[2], "9999.99");
  EXPECT_NE((*RowAt(c.table, "120"))[2], "");
}

TEST(MotorScaleAxes, CurrentAndTimeLadders) {
  struct Case {
    double xMin, xMax, tMin, tMax;
    AxisRange current, time;
  };
  const Case cases[] = {
      {100, 1500, 10, 20, {90, 1500}, {1, 100}},
      {100, 1501, 10.5, 100, {90, 1600}, {10, 1000}},
      {50, 95.5, 1, 9.99, {45, 96}, {0.1, 10}},
      {5, 9.5, 0.1, 10000, {4, 9.5}, {0.01, 10000}},
      {150, 1000, 0.5, 999, {135, 1000}, {0.1, 1000}},
  };
  const MotorSettings s;
  MotorView view;
  view.ticked.fill(false);
  for (const Case& k : cases) {
    CurveSeries custom;
    custom.active = true;
    custom.points = {{k.xMin, k.tMax}, {k.xMax, k.tMin}};
    MotorCurves c;
    ScaleMotorAxes(c, s, view, &custom);
    EXPECT_EQ(c.axes.current.min, k.current.min) << k.xMin;
    EXPECT_EQ(c.axes.current.max, k.current.max) << k.xMax;
    EXPECT_EQ(c.axes.time.min, k.time.min) << k.tMin;
    EXPECT_EQ(c.axes.time.max, k.time.max) << k.tMax;
  }
}

TEST(MotorScaleAxes, LegendByFamily) {
  MotorSettings s;
  MotorView view;
  MotorCurves c;
  s.family = 1;
  ScaleMotorAxes(c, s, view);
  EXPECT_EQ(c.legend,
            "Cold Curve Accuracy: +200ms, -0ms\nDelay Time Accuracy: - 10%, + 0%\n\n"
            "Minimum time is 25 to 45 ms.");
  s.family = 2;
  s.overcurrentDelay = 0.1;
  s.auxOvercurrentDelay = 2;
  s.jamDelay = 1;
  view.ticked[0] = false;
  ScaleMotorAxes(c, s, view);
  EXPECT_EQ(c.legend,
            "Overcurrent Accuracy: +- 5%\nAux Overcurrent Accuracy: +- 2%\nJam Accuracy: +- 5%\n\n"
            "Minimum time is 25 to 45 ms.");
}

TEST(MotorDefaults, TheColdCurvePassesThroughTheLockedRotorPointOfEveryMotorFile) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kDefaults)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".xml") continue;
    SettingStore store;
    ASSERT_TRUE(LoadSettingFile(store, entry.path(), kDefaults)) << name;
    if (store.family != 1 && store.family != 2) continue;
    ++files;
    const DraPlotData record = FillDraPlotData(store);
    EXPECT_EQ(record.family, store.family);
    const MotorSettings s = MotorSettingsFromRecord(record);
    MotorCurves c;
    ASSERT_TRUE(BuildMotorCurves(s, MotorView{}, c).ok) << name;
    const double lrc = s.lockedRotorCurrent * 100;
    const double at = ThermalTime(0, lrc, c.thermalTimeConstant, s.serviceFactor * 100,
                                  BandSide::Nominal, 0, s.family);
    EXPECT_NEAR(at, s.lockedRotorTimeCold, 1e-3) << name;
    const auto* row = RowAt(c.table, FormatFixed(lrc, 0));
    ASSERT_NE(row, nullptr) << name;
    EXPECT_EQ((*row)[2], FormatFixed(s.lockedRotorTimeCold, 2)) << name;
  }
  EXPECT_GE(files, 10);
}

TEST(MotorRecord, WrittenBackWithTwoDecimals) {
  SettingStore store;
  ASSERT_TRUE(LoadSettingFile(store, kDefaults / "drb_defaults_170.xml", kDefaults));
  DraPlotData record = FillDraPlotData(store);
  EXPECT_EQ(record.family, 2);
  EXPECT_EQ(record.Value(9), "100.00");
  EXPECT_EQ(record.MaxText(8), "60");
  MotorSettings s = MotorSettingsFromRecord(record);
  s.jamDelay = 7.456;
  WriteMotorSettingsToRecord(s, record);
  EXPECT_EQ(record.Value(8), "7.46");
  EXPECT_EQ(record.Value(11), "1.15");
}

}  // namespace
}  // namespace kvx
