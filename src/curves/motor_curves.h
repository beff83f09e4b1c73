#pragma once
// The motor relays' curves: the record handed to the curve window, the thermal
// model (cold and warm curves through the locked-rotor point), the three
// definite-time elements, the "Trend I^2t" inset, automatic axes, the family's
// accuracy legend and the "Curve Data Points" table.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "curves/curve_common.h"
#include "setpoints/setting_store.h"

namespace kvx {

inline constexpr int kDraRecordRows = 12;
inline constexpr int kDraRecordTexts = 39;
inline constexpr int kDraTitleText = 38;

inline constexpr std::array<int, kDraRecordRows> kDraRecordRegisters = {13, 15, 17, 33,  35,  41,
                                                                        43, 65, 67, 210, 225, 233};

// Texts 3k, 3k+1, 3k+2: minText, maxText and value of row k; text 38 the
// title; then the model family (1 or 2).
struct DraPlotData {
  std::array<std::string, kDraRecordTexts> texts;
  std::int32_t family = 0;
  const std::string& MinText(int row) const { return texts.at(3 * row); }
  const std::string& MaxText(int row) const { return texts.at(3 * row + 1); }
  const std::string& Value(int row) const { return texts.at(3 * row + 2); }
  std::string& Value(int row) { return texts.at(3 * row + 2); }
  const std::string& Title() const { return texts[kDraTitleText]; }
};

DraPlotData FillDraPlotData(const SettingStore& store);

struct MotorSettings {
  double lockedRotorCurrent = 6;     // x FLA
  double lockedRotorTimeCold = 10;   // s
  double lockedRotorTimeHot = 5;     // s
  double overcurrentLevel = 10;      // x Ip
  double overcurrentDelay = 0.1;     // s
  double auxOvercurrentLevel = 8;    // x Ip
  double auxOvercurrentDelay = 0.5;  // s
  double jamLevel = 3;               // x FLA
  double jamDelay = 5;               // s
  double ctPrimary = 100;            // A
  double fla = 50;                   // A
  double serviceFactor = 1.15;
  std::int32_t family = 1;
  std::string title;
};

MotorSettings MotorSettingsFromRecord(const DraPlotData& record);
// Numbers with two decimals.
void WriteMotorSettingsToRecord(const MotorSettings& settings, DraPlotData& record);

// The five calculated series, in chart order.
enum class MotorElement : int { Cold = 0, Warm, Overcurrent, AuxOvercurrent, Jam };
inline constexpr int kMotorElements = 5;
// Finds an element by a command-line name ("cold", "aux-overcurrent").
std::optional<MotorElement> FindMotorElement(std::string name);

struct MotorView {
  std::array<bool, kMotorElements> ticked = {true, true, true, true, true};
  bool trendTicked = true;
  double thermalCapacity = 50;  // % I^2t used, for the warm curve
  bool holdAxis = false;
  // The axes in force: kept while held and when no series qualifies.
  ChartAxes axes{{0, 1500}, {0.01, 10000}};
};

struct CtRatioCheck {
  bool ok = true;
  std::string caption;             // "Out of Range Error" when not ok
  std::vector<std::string> lines;  // the message, one text per line
};

struct MotorCurves {
  std::array<CurveSeries, kMotorElements> series;
  CurveSeries trend;  // the inset: I^2t % against % FLA
  PointsTable table;  // "Curve Data Points"
  ChartAxes axes;
  std::string legend;
  // The read-only boxes beside the trip levels: overcurrent, aux overcurrent, jam.
  std::array<std::string, 3> ampereTexts;
  double thermalTimeConstant = 0;  // s
  bool built = false;              // the series and the table hold a rebuild

  CurveSeries& Series(MotorElement e) { return series[static_cast<std::size_t>(e)]; }
  const CurveSeries& Series(MotorElement e) const { return series[static_cast<std::size_t>(e)]; }
};

CtRatioCheck CheckCtRatio(const MotorSettings& settings);

// tau (s) that puts the cold curve through (lrc, tCold); lrc and sf in % FLA.
// Not a number when lrc does not exceed sf.
double ThermalTimeConstant(double lrc, double tCold, double sf);

// kind 0 cold, 1 warm; h and sf in % FLA; w the thermal capacity used (%).
// No trip (infinity) at or below the service factor.
double ThermalTime(int kind, double h, double tau, double sf, BandSide side, double w,
                   std::int32_t family);
double DelayTime(double delay, BandSide side, std::int32_t family);

// Rewrites the ampere texts, runs CheckCtRatio and, when it passes, refills the
// series and the table and scales the axes. On a failed check the series and
// the table keep what they held.
CtRatioCheck BuildMotorCurves(const MotorSettings& settings, const MotorView& view,
                              MotorCurves& curves, const CurveSeries* custom = nullptr);

// Axes (unless held) and the legend; the active flags follow the view's ticks.
void ScaleMotorAxes(MotorCurves& curves, const MotorSettings& settings, const MotorView& view,
                    const CurveSeries* custom = nullptr);

// The motor points file before its custom section.
std::vector<std::string> MotorPointsFileLines(const PointsTable& table);

}  // namespace kvx
