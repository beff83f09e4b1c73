// Protection curves: one feeder rebuild with all fourteen elements ticked and
// one motor rebuild, each with its Data Points table, from the shipped
// definition files. The windows rebuild after every keystroke, so the goal is
// well under 5 ms each. Prints figures; never passes or fails.
//
//   build/bench/bench_curves [--benchmark_min_time=0.5]

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "curves/feeder_curves.h"
#include "curves/motor_curves.h"
#include "setpoints/load_setting_file.h"

namespace {

namespace fs = std::filesystem;

kvx::SettingStore Load(const char* name) {
  const fs::path defaults = fs::path(KVX_SOURCE_DIR) / "defaults";
  kvx::SettingStore store;
  if (!kvx::LoadSettingFile(store, defaults / name, defaults)) std::abort();
  return store;
}

std::size_t PointsOf(const kvx::CurveSeries& s) {
  return s.points.size();
}

void FeederBuildCurvesAllElements(benchmark::State& state) {
  const auto settings =
      kvx::FeederSettingsFromRecord(kvx::FillFdxPlotData(Load("fdx_defaults_110.xml").settings));
  kvx::FeederView view;
  view.multiplesOfCtRating = state.range(0) != 0;
  for (auto& group : view.ticked) group.fill(true);
  view.page = kvx::FeederPage::Group1Points;
  std::size_t points = 0, rows = 0;
  for (auto _ : state) {
    const kvx::FeederCurves c = kvx::BuildCurves(settings, view);
    points = 0;
    for (const auto& s : c.series) points += PointsOf(s);
    rows = c.pageTable ? c.pageTable->rows.size() : 0;
    benchmark::DoNotOptimize(points);
  }
  state.counters["points"] = static_cast<double>(points);
  state.counters["table_rows"] = static_cast<double>(rows);
}

// "Hold Axis as set" at 0.01 ... 1000000 in multiples of CT rating with
// pickups of 0.1: the flat extension must not grow with the axis.
void FeederBuildCurvesHeldHugeAxis(benchmark::State& state) {
  auto settings =
      kvx::FeederSettingsFromRecord(kvx::FillFdxPlotData(Load("fdx_defaults_110.xml").settings));
  for (auto& g : settings.groups) g.overloadPickup = g.phasePickup = g.earthPickup = 0.1;
  kvx::FeederView view;
  for (auto& group : view.ticked) group.fill(true);
  view.holdAxis = true;
  view.axes = {{0.01, 1000000}, {0.01, 100000}};
  view.page = kvx::FeederPage::Group1Points;
  std::size_t points = 0;
  for (auto _ : state) {
    const kvx::FeederCurves c = kvx::BuildCurves(settings, view);
    points = 0;
    for (const auto& s : c.series) points += PointsOf(s);
    benchmark::DoNotOptimize(points);
  }
  state.counters["points"] = static_cast<double>(points);
}

void MotorBuildMotorCurves(benchmark::State& state) {
  const auto settings =
      kvx::MotorSettingsFromRecord(kvx::FillDraPlotData(Load("dra_defaults_230.xml")));
  kvx::MotorView view;
  kvx::MotorCurves c;
  std::size_t points = 0, rows = 0;
  for (auto _ : state) {
    if (!kvx::BuildMotorCurves(settings, view, c).ok) std::abort();
    points = PointsOf(c.trend);
    for (const auto& s : c.series) points += PointsOf(s);
    rows = c.table.rows.size();
    benchmark::DoNotOptimize(points);
  }
  state.counters["points"] = static_cast<double>(points);
  state.counters["table_rows"] = static_cast<double>(rows);
}

BENCHMARK(FeederBuildCurvesAllElements)
    ->ArgName("multiples")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FeederBuildCurvesHeldHugeAxis)->Unit(benchmark::kMillisecond);
BENCHMARK(MotorBuildMotorCurves)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
