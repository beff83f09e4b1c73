#pragma once
// The feeder relays' time-current curves: the record handed to the curve
// window, the trip-time characteristics with their tolerance bands, the
// fourteen element bands, automatic axes, the accuracy legend and the two
// Data Points tables.

#include <array>
#include <optional>
#include <string>

#include "curves/curve_common.h"
#include "setpoints/setting_store.h"
#include "shell/brand.h"

namespace kvx {

// ---- The record between the main window and the curve window -------------

inline constexpr int kFdxRecordRows = 30;
inline constexpr int kFdxRecordTexts = 93;
inline constexpr int kFdxTitleText = 92;
inline constexpr int kRelayTitleRegister = 600;

// Register of each record row: CT primaries, then per element and group.
inline constexpr std::array<int, kFdxRecordRows> kFdxRecordRegisters = {
    251, 253, 19,  11,  37,  29,  51,  52,  54,  61,  62,  64,  74,  72,  88,
    86,  101, 102, 104, 111, 112, 114, 124, 122, 140, 138, 154, 152, 170, 168};

// Rows holding a curve type (a list index) rather than a number.
bool IsFdxCurveTypeRow(int row);

// Texts 3k, 3k+1, 3k+2: minText, maxText and value of row k; text 92 the title.
struct FdxPlotData {
  std::array<std::string, kFdxRecordTexts> texts;
  const std::string& MinText(int row) const { return texts.at(3 * row); }
  const std::string& MaxText(int row) const { return texts.at(3 * row + 1); }
  const std::string& Value(int row) const { return texts.at(3 * row + 2); }
  std::string& Value(int row) { return texts.at(3 * row + 2); }
  const std::string& Title() const { return texts[kFdxTitleText]; }
};

FdxPlotData FillFdxPlotData(const SettingTable& settings);

// ---- Characteristics -------------------------------------------------------

// 0..7 the inverse curves in list order, 8 the thermal overload, 9 the warm overload.
enum CurveCode : int {
  kIecNormalInverse = 0,
  kIecVeryInverse = 1,
  kIecExtremeInverse = 2,
  kIecShortInverse = 3,
  kIecLongInverse = 4,
  kIeeeModerateInverse = 5,
  kIeeeVeryInverse = 6,
  kIeeeExtremeInverse = 7,
  kThermalOverload = 8,
  kWarmOverload = 9,
};
inline constexpr std::array<const char*, 8> kCurveTypeNames = {
    "IEC Normal Inverse A", "IEC Very Inverse B",  "IEC Extreme Inverse C",
    "IEC Short Inverse A",  "IEC Long Inverse B",  "IEEE Moderate Inverse",
    "IEEE Very Inverse",    "IEEE Extreme Inverse"};

// Seconds to trip at `m` times pickup. `multiplier` is the time multiplier of
// an inverse curve or the time constant in minutes of an overload curve;
// `warmPercent` is used by kWarmOverload only. Unknown codes give 0 before the
// band. Upper is at least 0.045 s, Lower at least 0.025 s.
double TripTime(double multiplier, double m, int code, BandSide side, double warmPercent = 0);
double DefiniteTime(double delay, BandSide side);

// ---- Settings and what the window chooses ----------------------------------

// The seven elements of a group, in the order of the Data Points columns.
enum class FeederElement : int {
  Overload = 0,
  Warm,
  PhaseInverse,
  PhaseDefiniteTime,
  EarthFaultInverse,
  EarthFault3IoDefiniteTime,
  EarthFaultCtDefiniteTime,
};
inline constexpr int kFeederElements = 7;
inline constexpr int kFeederSeries = 2 * kFeederElements;

struct FeederElementInfo {
  const char* seriesName[2];  // group 1, group 2
  const char* tickText;       // the tick box
  const char* columnHeader;   // the Data Points column
  const char* colour;
};
const FeederElementInfo& ElementInfo(FeederElement e);
// Finds an element by a command-line name ("phase-inverse", "Phase Inverse", "warm").
std::optional<FeederElement> FindFeederElement(std::string name);

struct FeederGroupSettings {
  double overloadTimeConstant = 1;  // min
  double overloadPickup = 1;        // x Ip
  int phaseCurve = 0;               // list index; -1 when the value is none of the eight
  double phaseMultiplier = 1;
  double phasePickup = 1;
  double phaseDtDelay = 0;
  double phaseDtLevel = 1;
  int earthCurve = 0;
  double earthMultiplier = 1;
  double earthPickup = 1;  // x Ip (3Io)
  double earth3IoDtDelay = 0;
  double earth3IoDtLevel = 1;  // x Ip
  double earthCtDtDelay = 0;
  double earthCtDtLevel = 1;  // x Ie
};

struct FeederSettings {
  double phaseCtPrimary = 1;  // Ip, A
  double earthCtPrimary = 1;  // Ie, A
  std::array<FeederGroupSettings, 2> groups;
  std::string title;
};

FeederSettings FeederSettingsFromRecord(const FdxPlotData& record);
// Numbers with two decimals, curve types as their list index.
void WriteFeederSettingsToRecord(const FeederSettings& settings, FdxPlotData& record);

enum class FeederPage { Other, Group1Points, Group2Points };

struct FeederView {
  // [group][element]; a new window ticks group 1's overload, phase inverse and
  // phase definite time.
  std::array<std::array<bool, kFeederElements>, 2> ticked = {
      {{true, false, true, true, false, false, false}, {}}};
  std::array<double, 2> warmPercent = {50, 50};
  bool multiplesOfCtRating = true;
  bool holdAxis = false;
  // The axes in force on the chart: kept while holdAxis is ticked, and when
  // no series qualifies for the automatic scaling.
  ChartAxes axes;
  FeederPage page = FeederPage::Other;
};

// ---- What BuildCurves produces -------------------------------------------

struct FeederCurves {
  std::array<CurveSeries, kFeederSeries> series;  // index group * 7 + element
  ChartAxes axes;
  std::string legend;
  // The table of the Data Points page on show, rebuilt by ScaleAxes.
  std::optional<PointsTable> pageTable;

  CurveSeries& Series(int group, FeederElement e) {
    return series[static_cast<std::size_t>(group * kFeederElements + static_cast<int>(e))];
  }
  const CurveSeries& Series(int group, FeederElement e) const {
    return series[static_cast<std::size_t>(group * kFeederElements + static_cast<int>(e))];
  }
};

// Clears and fills the fourteen element series (the custom series is only
// read, for the scaling), sets the axes, the legend and the table on show.
FeederCurves BuildCurves(const FeederSettings& settings, const FeederView& view,
                         const CurveSeries* custom = nullptr);

// Axes (unless held), the table on show and the legend, from the series as
// they stand; the active flags follow the view's ticks.
void ScaleAxes(FeederCurves& curves, const FeederSettings& settings, const FeederView& view,
               const CurveSeries* custom = nullptr);

// group 1 or 2; rows follow the current axis `axes.current`.
PointsTable BuildPointsTable(int group, const FeederSettings& settings, const FeederView& view,
                             const ChartAxes& axes);

// The feeder points file before its custom section.
std::vector<std::string> FeederPointsFileLines(const PointsTable& group1,
                                               const PointsTable& group2);

inline constexpr const char* kPointsLabel = "All times are calculated values";

}  // namespace kvx
