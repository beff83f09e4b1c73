#include "curves/feeder_curves.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kUpperFloor = 0.045;
constexpr double kLowerFloor = 0.025;
constexpr double kLastSampledMultiple = 20;

constexpr std::array<FeederElementInfo, kFeederElements> kElements = {{
    {{"OG1", "OG2"}, "Overload", "Overload (s)", "0000FF"},
    {{"Warm_G1", "Warm_G2"}, "Warm Curve at", "Warm Curve (s)", "FF0000"},
    {{"PIG1", "PIG2"}, "Phase Inverse", "Phase Inverse (s)", "FF00FF"},
    {{"PDTG1", "PDTG2"}, "Phase Definite Time", "Phase Definite Time (s)", "008000"},
    {{"EFIG1", "EFIG2"}, "Earth Fault 3Io Inverse", "Earth Fault 3Io Inverse (s)", "800080"},
    {{"EF3IoDTG1", "EF3IoDTG2"},
     "Earth Fault 3Io Definite Time",
     "Earth Fault 3Io Definite Time (s)",
     "008080"},
    {{"EFCTDTG1", "EFCTDTG2"},
     "Earth Fault CT-Input Definite Time",
     "Earth Fault CT-Input Definite Time (s)",
     "800000"},
}};

double Band(double t, double g, BandSide side) {
  if (std::isinf(t)) return t;  // no trip: no band either
  switch (side) {
    case BandSide::Upper:
      return std::max(t + g * t, kUpperFloor);
    case BandSide::Lower:
      return std::max(t - g * t, kLowerFloor);
    case BandSide::Nominal:
      break;
  }
  return t;
}

double NominalTripTime(double T, double M, int code, double warmPercent) {
  if (code < 0 || code > kWarmOverload) return 0;
  // Below pickup an element never trips; the formulas have no value there.
  if (!(M > 1)) return kInfinity;
  switch (code) {
    case kIecNormalInverse:
      return T * 0.14 / (std::pow(M, 0.02) - 1);
    case kIecVeryInverse:
      return T * 13.5 / (M - 1);
    case kIecExtremeInverse:
      return T * 80 / (M * M - 1);
    case kIecShortInverse:
      return T * 0.05 / (std::pow(M, 0.04) - 1);
    case kIecLongInverse:
      return T * 120 / (M - 1);
    case kIeeeModerateInverse:
      return 3 * T * (0.0515 / (std::pow(M, 0.02) - 1) + 0.114);
    case kIeeeVeryInverse:
      return 3 * T * (19.61 / (M * M - 1) + 0.491);
    case kIeeeExtremeInverse:
      return 3 * T * (28.2 / (M * M - 1) + 0.1217);
    case kThermalOverload:
      return 60 * T * std::log(M * M / (M * M - 1));
    case kWarmOverload:
      return 60 * T * std::log(M * M / (M * M - 1)) * (1 - 0.01 * warmPercent);
    default:
      return 0;
  }
}

// How one element of one group is sampled and timed.
struct ElementPlan {
  double scale = 1;       // current of M = 1
  double startM = 1;      // first multiple drawn and tabled
  bool definite = false;  // definite time: Upper before Lower in every pair
  bool overload = false;  // overload/warm: Upper before Lower in the flat part
  double multiplier = 0;  // time multiplier, time constant (min) or delay (s)
  int code = 0;
  double warmPercent = 0;

  double Time(double M, BandSide side) const {
    return definite ? DefiniteTime(multiplier, side)
                    : TripTime(multiplier, M, code, side, warmPercent);
  }
};

ElementPlan PlanFor(const FeederSettings& s, const FeederView& view, int group, FeederElement e) {
  const FeederGroupSettings& g = s.groups[static_cast<std::size_t>(group)];
  const double ip = view.multiplesOfCtRating ? 1 : s.phaseCtPrimary;
  const double ie = view.multiplesOfCtRating ? 1 : s.earthCtPrimary;
  ElementPlan p;
  switch (e) {
    case FeederElement::Overload:
    case FeederElement::Warm:
      p.scale = g.overloadPickup * ip;
      p.startM = 1.01;
      p.overload = true;
      p.multiplier = g.overloadTimeConstant;
      p.code = e == FeederElement::Overload ? kThermalOverload : kWarmOverload;
      p.warmPercent = std::trunc(view.warmPercent[static_cast<std::size_t>(group)]);
      break;
    case FeederElement::PhaseInverse:
      p.scale = g.phasePickup * ip;
      p.startM = 1.1;
      p.multiplier = g.phaseMultiplier;
      p.code = g.phaseCurve;
      break;
    case FeederElement::EarthFaultInverse:
      p.scale = g.earthPickup * ip;
      p.startM = 1.1;
      p.multiplier = g.earthMultiplier;
      p.code = g.earthCurve;
      break;
    case FeederElement::PhaseDefiniteTime:
      p.scale = ip;
      p.startM = g.phaseDtLevel;
      p.definite = true;
      p.multiplier = g.phaseDtDelay;
      break;
    case FeederElement::EarthFault3IoDefiniteTime:
      p.scale = ip;
      p.startM = g.earth3IoDtLevel;
      p.definite = true;
      p.multiplier = g.earth3IoDtDelay;
      break;
    case FeederElement::EarthFaultCtDefiniteTime:
      p.scale = ie;
      p.startM = g.earthCtDtLevel;
      p.definite = true;
      p.multiplier = g.earthCtDtDelay;
      break;
  }
  return p;
}

// The multiples of the sample pass: accumulated sums from 0.01 with the step
// ladder, as the chart has always been drawn.
const std::vector<double>& SampleMultiples() {
  static const std::vector<double> ladder = [] {
    std::vector<double> m;
    for (double M = 0.01; M <= kLastSampledMultiple;) {
      m.push_back(M);
      if (M <= 0.1)
        M += 0.0001;
      else if (M <= 1)
        M += 0.001;
      else if (M <= 10)
        M += 0.01;
      else if (M <= 100)
        M += 0.1;
      else
        M += 1;
    }
    return m;
  }();
  return ladder;
}

bool IsTicked(const FeederView& view, int group, FeederElement e) {
  return view.ticked[static_cast<std::size_t>(group)][static_cast<std::size_t>(e)];
}

double CurrentAxisMinimumFor(double x) {
  if (x > 10000) return 10000;
  if (x > 1000) return 1000;
  if (x > 100) return 100;
  if (x > 10) return 10;
  if (x > 1) return 1;
  if (x > 0.1) return 0.1;
  return 0.01;
}

double CurrentAxisMaximumFor(double x) {
  if (x <= 10) return 10;
  if (x <= 100) return 100;
  if (x <= 1000) return 1000;
  if (x <= 10000) return 10000;
  if (x <= 100000) return 100000;
  return 1000000;
}

double TimeAxisMaximumFor(double t) {
  if (t < 10) return 10;
  if (t < 100) return 100;
  if (t < 1000) return 1000;
  if (t < 10000) return 10000;
  return 100000;
}

int DecimalsForCurrent(double x) {
  if (x < 0.001) return 6;
  if (x < 0.01) return 5;
  if (x < 0.1) return 4;
  if (x < 1) return 3;
  if (x < 10) return 2;
  if (x < 100) return 1;
  return 0;
}

std::string Legend(const FeederView& view) {
  auto either = [&](FeederElement e) { return IsTicked(view, 0, e) || IsTicked(view, 1, e); };
  std::string s;
  if (either(FeederElement::Overload)) s += "Overload Accuracy: +100ms, -0ms\n";
  if (either(FeederElement::PhaseInverse)) s += "Phase Inverse Accuracy: +- 5%\n";
  if (either(FeederElement::PhaseDefiniteTime)) s += "Phase Definite Time Accuracy: +- 2%\n";
  if (either(FeederElement::EarthFaultInverse)) s += "Earth Fault Inverse Accuracy: +- 5%\n";
  if (either(FeederElement::EarthFault3IoDefiniteTime))
    s += "Earth Fault 3Io Definite Time Accuracy: +- 2%\n";
  if (either(FeederElement::EarthFaultCtDefiniteTime))
    s += "Earth Fault CT-Input Definite Time Accuracy: +- 2%\n";
  s += "\nMinimum time is 25 to 45 ms.";
  return s;
}

int IntegerOr(const std::string& text, int fallback) {
  const auto v = ParseInteger(text);
  return v ? static_cast<int>(*v) : fallback;
}

double NumberOr(const std::string& text, double fallback) {
  const auto v = ParseNumber(text);
  return v ? *v : fallback;
}

// Record row of each group setting: {group 1 row, group 2 row}.
struct GroupRows {
  int tau, pickup, phaseCurve, phaseMult, phasePickup, pdtDelay, pdtLevel, efCurve, efMult,
      efPickup, ef3Delay, ef3Level, efCtDelay, efCtLevel;
};
constexpr std::array<GroupRows, 2> kGroupRows = {{
    {2, 3, 6, 7, 8, 12, 13, 16, 17, 18, 22, 23, 26, 27},
    {4, 5, 9, 10, 11, 14, 15, 19, 20, 21, 24, 25, 28, 29},
}};

}  // namespace

bool IsFdxCurveTypeRow(int row) {
  return row == 6 || row == 9 || row == 16 || row == 19;
}

FdxPlotData FillFdxPlotData(const SettingTable& settings) {
  FdxPlotData r;
  for (int k = 0; k < kFdxRecordRows; ++k) {
    const SettingRecord& s = settings.at(kFdxRecordRegisters[static_cast<std::size_t>(k)]);
    r.texts[static_cast<std::size_t>(3 * k)] = s.minText;
    r.texts[static_cast<std::size_t>(3 * k + 1)] = s.maxText;
    r.texts[static_cast<std::size_t>(3 * k + 2)] = s.value;
  }
  r.texts[kFdxTitleText] = settings.at(kRelayTitleRegister).value;
  return r;
}

double TripTime(double multiplier, double m, int code, BandSide side, double warmPercent) {
  const double g = (code == kThermalOverload || code == kWarmOverload) ? 0.02 : 0.05;
  return Band(NominalTripTime(multiplier, m, code, warmPercent), g, side);
}

double DefiniteTime(double delay, BandSide side) {
  return Band(delay, 0.02, side);
}

const FeederElementInfo& ElementInfo(FeederElement e) {
  return kElements[static_cast<std::size_t>(e)];
}

std::optional<FeederElement> FindFeederElement(std::string name) {
  auto simple = [](std::string s) {
    std::string out;
    for (char c : s)
      if (std::isalnum(static_cast<unsigned char>(c)))
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  const std::string wanted = simple(name);
  if (wanted == "warm" || wanted == "warmcurve") return FeederElement::Warm;
  for (int i = 0; i < kFeederElements; ++i) {
    if (simple(kElements[static_cast<std::size_t>(i)].tickText) == wanted)
      return static_cast<FeederElement>(i);
  }
  return std::nullopt;
}

FeederSettings FeederSettingsFromRecord(const FdxPlotData& r) {
  FeederSettings s;
  s.phaseCtPrimary = NumberOr(r.Value(0), 0);
  s.earthCtPrimary = NumberOr(r.Value(1), 0);
  auto curve = [&](int row) {
    const int v = IntegerOr(r.Value(row), -1);
    return v >= 0 && v < static_cast<int>(kCurveTypeNames.size()) ? v : -1;
  };
  for (std::size_t g = 0; g < 2; ++g) {
    const GroupRows& k = kGroupRows[g];
    FeederGroupSettings& o = s.groups[g];
    o.overloadTimeConstant = NumberOr(r.Value(k.tau), 0);
    o.overloadPickup = NumberOr(r.Value(k.pickup), 0);
    o.phaseCurve = curve(k.phaseCurve);
    o.phaseMultiplier = NumberOr(r.Value(k.phaseMult), 0);
    o.phasePickup = NumberOr(r.Value(k.phasePickup), 0);
    o.phaseDtDelay = NumberOr(r.Value(k.pdtDelay), 0);
    o.phaseDtLevel = NumberOr(r.Value(k.pdtLevel), 0);
    o.earthCurve = curve(k.efCurve);
    o.earthMultiplier = NumberOr(r.Value(k.efMult), 0);
    o.earthPickup = NumberOr(r.Value(k.efPickup), 0);
    o.earth3IoDtDelay = NumberOr(r.Value(k.ef3Delay), 0);
    o.earth3IoDtLevel = NumberOr(r.Value(k.ef3Level), 0);
    o.earthCtDtDelay = NumberOr(r.Value(k.efCtDelay), 0);
    o.earthCtDtLevel = NumberOr(r.Value(k.efCtLevel), 0);
  }
  s.title = r.Title();
  return s;
}

void WriteFeederSettingsToRecord(const FeederSettings& s, FdxPlotData& r) {
  auto num = [&](int row, double v) { r.Value(row) = FormatFixed(v, 2); };
  auto curve = [&](int row, int v) { r.Value(row) = std::to_string(v); };
  num(0, s.phaseCtPrimary);
  num(1, s.earthCtPrimary);
  for (std::size_t g = 0; g < 2; ++g) {
    const GroupRows& k = kGroupRows[g];
    const FeederGroupSettings& o = s.groups[g];
    num(k.tau, o.overloadTimeConstant);
    num(k.pickup, o.overloadPickup);
    curve(k.phaseCurve, o.phaseCurve);
    num(k.phaseMult, o.phaseMultiplier);
    num(k.phasePickup, o.phasePickup);
    num(k.pdtDelay, o.phaseDtDelay);
    num(k.pdtLevel, o.phaseDtLevel);
    curve(k.efCurve, o.earthCurve);
    num(k.efMult, o.earthMultiplier);
    num(k.efPickup, o.earthPickup);
    num(k.ef3Delay, o.earth3IoDtDelay);
    num(k.ef3Level, o.earth3IoDtLevel);
    num(k.efCtDelay, o.earthCtDtDelay);
    num(k.efCtLevel, o.earthCtDtLevel);
  }
}

FeederCurves BuildCurves(const FeederSettings& settings, const FeederView& view,
                         const CurveSeries* custom) {
  FeederCurves c;
  c.axes = view.axes;
  const std::vector<double>& multiples = SampleMultiples();

  // Sample pass: two points per sample, one on each side of the band.
  for (int g = 0; g < 2; ++g) {
    for (int e = 0; e < kFeederElements; ++e) {
      const auto element = static_cast<FeederElement>(e);
      CurveSeries& s = c.Series(g, element);
      s.name = kElements[static_cast<std::size_t>(e)].seriesName[g];
      s.title = kElements[static_cast<std::size_t>(e)].tickText;
      s.colour = kElements[static_cast<std::size_t>(e)].colour;
      s.active = IsTicked(view, g, element);
      if (!s.active) continue;
      const ElementPlan p = PlanFor(settings, view, g, element);
      const BandSide first = p.definite ? BandSide::Upper : BandSide::Lower;
      const BandSide second = p.definite ? BandSide::Lower : BandSide::Upper;
      s.points.reserve(2 * multiples.size() + 6);
      for (double M : multiples) {
        if (M < p.startM) continue;
        const double x = M * p.scale;
        s.points.push_back({x, p.Time(M, first)});
        s.points.push_back({x, p.Time(M, second)});
      }
    }
  }

  ScaleAxes(c, settings, view, custom);

  for (int g = 0; g < 2; ++g) {
    for (int e = 0; e < kFeederElements; ++e) {
      const auto element = static_cast<FeederElement>(e);
      const ElementPlan p = PlanFor(settings, view, g, element);
      CurveSeries& s = c.Series(g, element);
      // Start segment: a vertical line from the first sample to the top.
      InsertByCurrent(s, {p.startM * p.scale, c.axes.time.max - 0.01});

      // Flat extension: beyond M = 20 the band keeps its M = 20 times up to the
      // current axis maximum. The times are constant, so its two ends suffice.
      if (!s.active) continue;
      const double start = kLastSampledMultiple * p.scale;
      const double end = c.axes.current.max;
      if (!(start < end)) continue;
      const BandSide first = p.overload || p.definite ? BandSide::Upper : BandSide::Lower;
      const BandSide second = first == BandSide::Upper ? BandSide::Lower : BandSide::Upper;
      const double t1 = p.Time(kLastSampledMultiple, first);
      const double t2 = p.Time(kLastSampledMultiple, second);
      for (double x : {start, end}) {
        s.points.push_back({x, t1});
        s.points.push_back({x, t2});
      }
    }
  }
  return c;
}

void ScaleAxes(FeederCurves& c, const FeederSettings& settings, const FeederView& view,
               const CurveSeries* custom) {
  for (int g = 0; g < 2; ++g)
    for (int e = 0; e < kFeederElements; ++e)
      c.Series(g, static_cast<FeederElement>(e)).active =
          IsTicked(view, g, static_cast<FeederElement>(e));

  c.axes = view.axes;
  if (!view.holdAxis) {
    std::vector<const CurveSeries*> all;
    for (const CurveSeries& s : c.series) all.push_back(&s);
    all.push_back(custom);
    const SeriesExtent e = ExtentOf(all);
    if (e.any) {
      c.axes.time = {TimeAxisMinimumFor(e.timeMin), TimeAxisMaximumFor(e.timeMax)};
      c.axes.current = {CurrentAxisMinimumFor(e.currentMin), CurrentAxisMaximumFor(e.currentMax)};
    }
  }

  c.pageTable.reset();
  if (view.page == FeederPage::Group1Points)
    c.pageTable = BuildPointsTable(1, settings, view, c.axes);
  else if (view.page == FeederPage::Group2Points)
    c.pageTable = BuildPointsTable(2, settings, view, c.axes);

  c.legend = Legend(view);
}

PointsTable BuildPointsTable(int group, const FeederSettings& settings, const FeederView& view,
                             const ChartAxes& axes) {
  PointsTable t;
  const int g = group == 2 ? 1 : 0;
  t.header = {view.multiplesOfCtRating ? "Multiples of CT Rating" : "Current (A)",
              "Compilation Curve (s)"};
  std::vector<ElementPlan> plans;
  for (int e = 0; e < kFeederElements; ++e) {
    const auto element = static_cast<FeederElement>(e);
    if (!IsTicked(view, g, element)) continue;
    t.header.push_back(kElements[static_cast<std::size_t>(e)].columnHeader);
    plans.push_back(PlanFor(settings, view, g, element));
  }

  // 36 rows per decade: the axis minimum times 1, 1.25, 1.5 ... 9.75, then the
  // next decade. Computed per row rather than accumulated, so that a decade's
  // first row is exactly ten times the one before.
  const double lo = axes.current.min;
  const double hi = axes.current.max * (1 + 1e-12);
  if (!(lo > 0) || !std::isfinite(lo) || !std::isfinite(hi)) return t;
  constexpr int kMaxDecades = 16;
  for (int d = 0; d < kMaxDecades; ++d) {
    const double decade = lo * std::pow(10.0, d);
    if (decade > hi) break;
    for (int k = 0; k < 36; ++k) {
      const double x = decade * (4 + k) / 4;
      if (x > hi) break;
      std::vector<std::string> row(t.header.size());
      row[0] = FormatFixed(x, DecimalsForCurrent(x));
      double best = kInfinity;
      std::size_t bestColumn = 0;
      for (std::size_t i = 0; i < plans.size(); ++i) {
        const ElementPlan& p = plans[i];
        double M = x / p.scale;
        if (!(M >= p.startM)) continue;
        if (M >= kLastSampledMultiple) M = kLastSampledMultiple;
        const double time = p.Time(M, BandSide::Nominal);
        row[i + 2] = FormatFixed(time, 3);
        if (time < best) {
          best = time;
          bestColumn = i + 2;
        }
      }
      if (bestColumn != 0) row[1] = row[bestColumn];
      t.rows.push_back(std::move(row));
    }
  }
  return t;
}

std::vector<std::string> FeederPointsFileLines(const PointsTable& group1,
                                               const PointsTable& group2) {
  std::vector<std::string> lines = {kBrandLine, "Group 1 Data Points", kPointsLabel};
  for (std::string& l : PointsTableLines(group1)) lines.push_back(std::move(l));
  lines.insert(lines.end(), {"", "", "Group 2 Data Points", kPointsLabel});
  for (std::string& l : PointsTableLines(group2)) lines.push_back(std::move(l));
  lines.insert(lines.end(), {"", ""});
  return lines;
}

}  // namespace kvx
