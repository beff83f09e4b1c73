// Feeder curve model: characteristics and bands, axis ladders, the element
// bands' shape, the Data Points table and the record from a definition file.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>

#include "curves/feeder_curves.h"
#include "setpoints/load_setting_file.h"

namespace kvx {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct TripCase {
  double multiplier, m;
  int code;
  BandSide side;
  double warm, expected, tolerance;
};

TEST(FeederTripTime, CharacteristicsAndBands) {
  constexpr auto N = BandSide::Nominal;
  constexpr auto U = BandSide::Upper;
  constexpr auto L = BandSide::Lower;
  const TripCase cases[] = {
      // The characteristics at M = 2 and the 5 % band of the inverse curves.
      {1, 2, 0, N, 0, 10.029, 6e-4},
      {1, 2, 0, U, 0, 10.530, 6e-4},
      {1, 2, 0, L, 0, 9.528, 6e-4},
      {1, 2, 1, N, 0, 13.5, 1e-9},
      {1, 2, 2, N, 0, 26.667, 6e-4},
      {1, 2, 3, N, 0, 1.7785, 6e-5},
      {1, 2, 4, N, 0, 120, 1e-9},
      {1, 2, 5, N, 0, 11.410, 6e-4},
      {1, 2, 6, N, 0, 21.083, 6e-4},
      {1, 2, 7, N, 0, 28.565, 6e-4},
      // Thermal overload (tau in minutes) with its 2 % band, and the warm curve.
      {1, 2, 8, N, 0, 17.261, 6e-4},
      {1, 2, 8, U, 0, 17.606, 6e-4},
      {1, 2, 8, L, 0, 16.916, 6e-4},
      {1, 2, 9, N, 50, 8.630, 6e-4},
      // The published IEC 60255-151 / IEEE C37.112 values at M = 10, TMS 1
      // (the IEEE time dial counts three times here).
      {1, 10, 0, N, 0, 2.971, 6e-4},
      {1, 10, 1, N, 0, 1.500, 6e-4},
      {1, 10, 2, N, 0, 0.808, 6e-4},
      {1, 10, 3, N, 0, 0.518, 6e-4},
      {1, 10, 4, N, 0, 13.333, 6e-4},
      {1, 10, 5, N, 0, 3 * 1.2068, 2e-3},
      {1, 10, 6, N, 0, 3 * 0.6891, 2e-3},
      {1, 10, 7, N, 0, 3 * 0.4065, 2e-3},
      {0.1, 10, 0, N, 0, 0.2971, 6e-5},
      // Lower limits of the band: 0.045 s above, 0.025 s below, none nominal.
      {0.01, 20, 2, U, 0, 0.045, 1e-12},
      {0.01, 20, 2, L, 0, 0.025, 1e-12},
      {0.01, 20, 2, N, 0, 0.01 * 80 / 399, 1e-12},
      // Unknown codes time 0, drawn as the 0.025 ... 0.045 s band.
      {1, 2, -1, N, 0, 0, 0},
      {1, 2, 10, U, 0, 0.045, 0},
      {1, 2, 10, L, 0, 0.025, 0},
  };
  for (const TripCase& c : cases) {
    EXPECT_NEAR(TripTime(c.multiplier, c.m, c.code, c.side, c.warm), c.expected, c.tolerance)
        << "code " << c.code << " M " << c.m << " side " << static_cast<int>(c.side);
  }
}

TEST(FeederTripTime, AtOrBelowPickupAnElementNeverTrips) {
  for (int code = 0; code <= 9; ++code) {
    for (double m : {1.0, 0.5, 0.0}) {
      EXPECT_EQ(TripTime(1, m, code, BandSide::Nominal, 50), kInf) << code << " " << m;
      EXPECT_EQ(TripTime(1, m, code, BandSide::Lower, 50), kInf) << code << " " << m;
    }
  }
}

TEST(FeederDefiniteTime, TwoPercentBandWithItsLimits) {
  struct Case {
    double delay;
    double upper, lower, nominal;
  };
  const Case cases[] = {{0.01, 0.045, 0.025, 0.01},
                        {0, 0.045, 0.025, 0},
                        {1, 1.02, 0.98, 1},
                        {0.04, 0.045, 0.0392, 0.04}};
  for (const Case& c : cases) {
    EXPECT_NEAR(DefiniteTime(c.delay, BandSide::Upper), c.upper, 1e-12) << c.delay;
    EXPECT_NEAR(DefiniteTime(c.delay, BandSide::Lower), c.lower, 1e-12) << c.delay;
    EXPECT_EQ(DefiniteTime(c.delay, BandSide::Nominal), c.nominal) << c.delay;
  }
}

FeederView NothingTicked() {
  FeederView v;
  v.ticked = {};
  return v;
}

// A custom series with two points is the simplest thing for the scaling to see.
CurveSeries Custom(CurvePoint a, CurvePoint b) {
  CurveSeries s;
  s.active = true;
  s.points = {a, b};
  return s;
}

TEST(FeederScaleAxes, LaddersAtTheirBoundaries) {
  struct Case {
    CurvePoint a, b;
    AxisRange current, time;
  };
  const Case cases[] = {
      {{1.5, 10}, {10, 20}, {1, 10}, {1, 100}},          // largest current exactly 10; tMin 10
      {{1.5, 1}, {10.5, 9.99}, {1, 100}, {0.1, 10}},     // 10.5 -> 100; tMin exactly 1
      {{1, 10.01}, {100, 100}, {0.1, 100}, {10, 1000}},  // xMin exactly 1; tMax exactly 100
      {{0.1, 0.1}, {1000, 99999}, {0.01, 1000}, {0.01, 100000}},
      {{10001, 0.11}, {100001, 5}, {10000, 1000000}, {0.1, 10}},
  };
  const FeederSettings settings;
  const FeederView view = NothingTicked();
  for (const Case& c : cases) {
    const CurveSeries custom = Custom(c.a, c.b);
    FeederCurves curves;
    ScaleAxes(curves, settings, view, &custom);
    EXPECT_EQ(curves.axes.current.min, c.current.min) << c.a.current << " " << c.b.current;
    EXPECT_EQ(curves.axes.current.max, c.current.max) << c.a.current << " " << c.b.current;
    EXPECT_EQ(curves.axes.time.min, c.time.min) << c.a.time << " " << c.b.time;
    EXPECT_EQ(curves.axes.time.max, c.time.max) << c.a.time << " " << c.b.time;
  }
}

TEST(FeederScaleAxes, HeldAxesAndSeriesThatDoNotQualifyLeaveTheAxesAlone) {
  FeederView view = NothingTicked();
  view.axes = {{0.1, 1000}, {1, 100}};
  const CurveSeries wide = Custom({0.5, 0.05}, {50000, 5000});
  CurveSeries inactive = wide;
  inactive.active = false;
  const CurveSeries upright = Custom({5, 1}, {5, 500});  // smallest current = largest
  for (const CurveSeries* s : {static_cast<const CurveSeries*>(&inactive), &upright}) {
    FeederCurves curves;
    ScaleAxes(curves, FeederSettings{}, view, s);
    EXPECT_EQ(curves.axes.current.max, 1000);
    EXPECT_EQ(curves.axes.time.min, 1);
  }
  view.holdAxis = true;
  FeederCurves curves;
  ScaleAxes(curves, FeederSettings{}, view, &wide);
  EXPECT_EQ(curves.axes.current.min, 0.1);
  EXPECT_EQ(curves.axes.current.max, 1000);
  EXPECT_EQ(curves.axes.time.max, 100);
}

FeederSettings Typical() {
  FeederSettings s;
  s.phaseCtPrimary = 400;
  s.earthCtPrimary = 100;
  for (FeederGroupSettings& g : s.groups) {
    g.overloadTimeConstant = 10;
    g.overloadPickup = 1.05;
    g.phaseCurve = 0;
    g.phaseMultiplier = 0.1;
    g.phasePickup = 0.5;
    g.phaseDtDelay = 0.1;
    g.phaseDtLevel = 6;
    g.earthCurve = 1;
    g.earthMultiplier = 0.2;
    g.earthPickup = 0.2;
    g.earth3IoDtDelay = 0.3;
    g.earth3IoDtLevel = 0.5;
    g.earthCtDtDelay = 0.5;
    g.earthCtDtLevel = 0.2;
  }
  return s;
}

TEST(FeederBuildCurves, BandsStartWithARiseToTheTopAndRunFlatToTheAxisMaximum) {
  FeederView view;  // multiples of CT rating
  view.ticked[0] = {true, true, true, true, true, true, true};
  const FeederCurves c = BuildCurves(Typical(), view);
  struct Case {
    FeederElement e;
    double start;
  };
  const Case cases[] = {
      {FeederElement::PhaseInverse, 0.55},  // 1.1 x pickup 0.5
      {FeederElement::EarthFaultInverse, 0.22},
      {FeederElement::Overload, 1.0605},
      {FeederElement::PhaseDefiniteTime, 6},
      {FeederElement::EarthFaultCtDefiniteTime, 0.2},  // its trip level, x Ie = 1
  };
  EXPECT_EQ(c.axes.current.max, 100);
  for (const Case& k : cases) {
    const CurveSeries& s = c.Series(0, k.e);
    ASSERT_GT(s.points.size(), 4u) << s.name;
    EXPECT_NEAR(s.points.front().current, k.start, 1e-12) << s.name;
    EXPECT_EQ(s.points.front().time, c.axes.time.max - 0.01) << s.name;
    EXPECT_EQ(s.points.back().current, c.axes.current.max) << s.name;
    for (std::size_t i = 1; i < s.points.size(); ++i)
      ASSERT_LE(s.points[i - 1].current, s.points[i].current) << s.name << " at " << i;
  }
  // Inverse bands: lower then upper per sample; definite-time bands the other way.
  const auto& pi = c.Series(0, FeederElement::PhaseInverse).points;
  EXPECT_LT(pi[1].time, pi[2].time);
  const auto& pdt = c.Series(0, FeederElement::PhaseDefiniteTime).points;
  EXPECT_NEAR(pdt[1].time, 0.102, 1e-12);
  EXPECT_NEAR(pdt[2].time, 0.098, 1e-12);
  // Unticked series only hold their start point and stay out of the scaling.
  EXPECT_EQ(c.Series(1, FeederElement::Overload).points.size(), 1u);
  EXPECT_FALSE(c.Series(1, FeederElement::Overload).active);
  EXPECT_EQ(c.legend,
            "Overload Accuracy: +100ms, -0ms\nPhase Inverse Accuracy: +- 5%\n"
            "Phase Definite Time Accuracy: +- 2%\nEarth Fault Inverse Accuracy: +- 5%\n"
            "Earth Fault 3Io Definite Time Accuracy: +- 2%\n"
            "Earth Fault CT-Input Definite Time Accuracy: +- 2%\n\nMinimum time is 25 to 45 ms.");
}

TEST(FeederBuildCurves, AHeldHugeAxisInMultiplesStaysBoundedAndReachesItsEnd) {
  FeederSettings s = Typical();
  for (FeederGroupSettings& g : s.groups) g.phasePickup = g.earthPickup = g.overloadPickup = 0.1;
  FeederView view;
  for (auto& g : view.ticked) g.fill(true);
  view.holdAxis = true;
  view.axes = {{0.01, 1000000}, {0.01, 100000}};
  view.page = FeederPage::Group1Points;
  const auto t0 = std::chrono::steady_clock::now();
  const FeederCurves c = BuildCurves(s, view);
  const auto took = std::chrono::steady_clock::now() - t0;
  EXPECT_LT(took, std::chrono::seconds(2));
  std::size_t points = 0;
  for (const CurveSeries& series : c.series) {
    points += series.points.size();
    EXPECT_EQ(series.points.back().current, 1000000) << series.name;
  }
  EXPECT_LT(points, 14u * 6000u);
  ASSERT_TRUE(c.pageTable);
  EXPECT_EQ(c.pageTable->rows.size(), 8u * 36u + 1u);  // 0.01 ... 1000000
}

TEST(FeederPointsTable, RowsPerDecadeAndDecimalsBySize) {
  FeederView view = NothingTicked();
  ChartAxes axes{{0.0001, 1000}, {0.01, 100}};
  const PointsTable t = BuildPointsTable(1, Typical(), view, axes);
  ASSERT_EQ(t.rows.size(), 7u * 36u + 1u);
  const std::pair<std::size_t, const char*> expected[] = {
      {0, "0.000100"}, {1, "0.000125"}, {35, "0.000975"}, {36, "0.00100"},
      {72, "0.0100"},  {108, "0.100"},  {109, "0.125"},   {144, "1.00"},
      {180, "10.0"},   {215, "97.5"},   {216, "100"},     {252, "1000"}};
  for (const auto& [row, text] : expected) EXPECT_EQ(t.rows[row][0], text) << row;
  EXPECT_EQ(t.header,
            (std::vector<std::string>{"Multiples of CT Rating", "Compilation Curve (s)"}));
  for (const auto& row : t.rows) EXPECT_EQ(row[1], "") << row[0];

  view.multiplesOfCtRating = false;
  EXPECT_EQ(BuildPointsTable(2, Typical(), view, axes).header[0], "Current (A)");
  // A minimum that is no number or not positive makes no rows rather than looping.
  axes.current.min = 0;
  EXPECT_TRUE(BuildPointsTable(1, Typical(), view, axes).rows.empty());
}

TEST(FeederPointsTable, ColumnsInElementOrderAndTheCompilationMinimum) {
  FeederView view;
  view.ticked[1] = {true, true, true, true, true, true, true};
  view.warmPercent = {50, 50};
  const ChartAxes axes{{0.1, 100}, {0.01, 1000}};
  const PointsTable t = BuildPointsTable(2, Typical(), view, axes);
  EXPECT_EQ(t.header,
            (std::vector<std::string>{
                "Multiples of CT Rating", "Compilation Curve (s)", "Overload (s)", "Warm Curve (s)",
                "Phase Inverse (s)", "Phase Definite Time (s)", "Earth Fault 3Io Inverse (s)",
                "Earth Fault 3Io Definite Time (s)", "Earth Fault CT-Input Definite Time (s)"}));
  auto row = [&](const char* x) {
    for (const auto& r : t.rows)
      if (r[0] == x) return r;
    ADD_FAILURE() << "no row " << x;
    return std::vector<std::string>(t.header.size());
  };
  // 0.200: only the CT-input element (level 0.2 x Ie) has started.
  EXPECT_EQ(row("0.200"),
            (std::vector<std::string>{"0.200", "0.500", "", "", "", "", "", "", "0.500"}));
  // 0.225: the 3Io inverse starts at 1.1 x 0.2 = 0.22: IEC VI, TMS 0.2, M 1.125.
  EXPECT_EQ(row("0.225")[6], "21.600");
  // 1.25: overload and warm (half the time) have started; 3Io DT 0.3 s is fastest.
  const auto r125 = row("1.25");
  EXPECT_EQ(r125[2], "733.690");  // 600 x 10 x ln(M^2 / (M^2 - 1)), M = 1.25 / 1.05
  EXPECT_EQ(r125[3], "366.845");
  EXPECT_EQ(r125[1], "0.300");
  // 10 and above 20 x pickup: the times of M = 20 (the flat extension).
  EXPECT_EQ(row("97.5")[4], row("10.0")[4]);
  EXPECT_EQ(row("97.5")[4], "0.227");

  // Overload and warm alone: the warm curve is the minimum.
  view.ticked[1] = {true, true, false, false, false, false, false};
  const PointsTable w = BuildPointsTable(2, Typical(), view, axes);
  for (const auto& r : w.rows) {
    if (r[2].empty()) continue;
    EXPECT_EQ(r[1], r[3]) << r[0];
  }
  // A trip delay of 0 tables as 0.000.
  FeederSettings zero = Typical();
  zero.groups[1].phaseDtDelay = 0;
  view.ticked[1] = {false, false, false, true, false, false, false};
  EXPECT_EQ(BuildPointsTable(2, zero, view, axes).rows.back()[2], "0.000");
}

TEST(FeederRecord, FilledFromTheDefinitionsAndWrittenBack) {
  SettingStore store;
  const auto dir = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";
  ASSERT_TRUE(LoadSettingFile(store, dir / "fdx_defaults_110.xml", dir));
  FdxPlotData record = FillFdxPlotData(store.settings);
  EXPECT_EQ(record.MinText(0), "1");
  EXPECT_EQ(record.MaxText(0), "5000");
  EXPECT_EQ(record.Value(0), "400.00");
  EXPECT_EQ(record.Value(16), "1");  // 3Io inverse group 1: IEC Very Inverse B
  EXPECT_EQ(record.texts[90], "");
  EXPECT_EQ(record.Title(), "FDX-50 Feeder");
  FeederSettings s = FeederSettingsFromRecord(record);
  EXPECT_EQ(s.phaseCtPrimary, 400);
  EXPECT_EQ(s.groups[0].earthCurve, 1);
  EXPECT_EQ(s.groups[1].phaseDtLevel, 6);
  EXPECT_EQ(s.groups[0].earthCtDtDelay, 0.5);

  s.groups[1].phasePickup = 1.234;
  s.groups[1].earthCurve = 7;
  WriteFeederSettingsToRecord(s, record);
  EXPECT_EQ(record.Value(11), "1.23");
  EXPECT_EQ(record.Value(19), "7");
  EXPECT_EQ(record.Value(0), "400.00");
  record.Value(6) = "8";  // no such curve type
  EXPECT_EQ(FeederSettingsFromRecord(record).groups[0].phaseCurve, -1);
}

}  // namespace
}  // namespace kvx
