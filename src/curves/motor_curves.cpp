#include "curves/motor_curves.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "curves/feeder_curves.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr float kServiceFactorTime = 9999.99f;
constexpr float kStartLineTime = 10000;
// Beyond any extent a definition's limits allow (15 x Ip at 25 x FLA); keeps a
// mistaken definition from running the passes for ever.
constexpr int kMaxExtent = 100000;

struct ElementText {
  const char* name;
  const char* title;
  const char* colour;
};
constexpr std::array<ElementText, kMotorElements> kElements = {{
    {"Cold_Series", "Cold Curve", "0000FF"},
    {"Warm_Series", "Warm Curve", "FF0000"},
    {"OC_Series", "Overcurrent", "008000"},
    {"AOC_Series", "Aux Overcurrent", "FF00FF"},
    {"Jam_Series", "Jam", "800000"},
}};

double NumberOr(const std::string& text, double fallback) {
  const auto v = ParseNumber(text);
  return v ? *v : fallback;
}

// "#.00": two decimals without a leading zero (.85).
std::string TwoDecimalsNoLeadingZero(double v) {
  std::string s = FormatFixed(v, 2);
  if (s.rfind("0.", 0) == 0) s.erase(0, 1);
  return s;
}

// "#": whole number, empty for zero.
std::string WholeOrEmpty(double v) {
  const std::string s = FormatFixed(v, 0);
  return s == "0" ? std::string() : s;
}

double TimeAxisMaximumFor(double t) {
  if (t < 10) return 10;
  if (t < 100) return 100;
  if (t < 1000) return 1000;
  return 10000;
}

double CurrentAxisMaximumFor(double x) {
  if (x > 1000) return std::ceil(x / 100) * 100;
  if (x > 100) return std::ceil(x / 10) * 10;
  if (x > 10) return std::ceil(x);
  return x;
}

std::string Legend(const MotorSettings& s, const MotorView& view) {
  auto on = [&](MotorElement e) { return view.ticked[static_cast<std::size_t>(e)]; };
  std::string t;
  if (s.family == 1) {
    if (on(MotorElement::Cold)) t += "Cold Curve Accuracy: +200ms, -0ms\n";
    if (on(MotorElement::Overcurrent) || on(MotorElement::AuxOvercurrent) || on(MotorElement::Jam))
      t += "Delay Time Accuracy: - 10%, + 0%\n";
  } else {
    auto accuracy = [&](MotorElement e, const char* what, double delay) {
      if (on(e)) t += std::string(what) + (delay > 1 ? " Accuracy: +- 2%\n" : " Accuracy: +- 5%\n");
    };
    if (on(MotorElement::Cold)) t += "Cold Curve Accuracy: +100ms, -0ms\n";
    accuracy(MotorElement::Overcurrent, "Overcurrent", s.overcurrentDelay);
    accuracy(MotorElement::AuxOvercurrent, "Aux Overcurrent", s.auxOvercurrentDelay);
    accuracy(MotorElement::Jam, "Jam", s.jamDelay);
  }
  t += "\nMinimum time is 25 to 45 ms.";
  return t;
}

}  // namespace

DraPlotData FillDraPlotData(const SettingStore& store) {
  DraPlotData r;
  for (int k = 0; k < kDraRecordRows; ++k) {
    const SettingRecord& s = store.settings.at(kDraRecordRegisters[static_cast<std::size_t>(k)]);
    r.texts[static_cast<std::size_t>(3 * k)] = s.minText;
    r.texts[static_cast<std::size_t>(3 * k + 1)] = s.maxText;
    r.texts[static_cast<std::size_t>(3 * k + 2)] = s.value;
  }
  r.texts[kDraTitleText] = store.settings.at(kRelayTitleRegister).value;
  r.family = store.family;
  return r;
}

MotorSettings MotorSettingsFromRecord(const DraPlotData& r) {
  MotorSettings s;
  s.lockedRotorCurrent = NumberOr(r.Value(0), 0);
  s.lockedRotorTimeCold = NumberOr(r.Value(1), 0);
  s.lockedRotorTimeHot = NumberOr(r.Value(2), 0);
  s.overcurrentLevel = NumberOr(r.Value(3), 0);
  s.overcurrentDelay = NumberOr(r.Value(4), 0);
  s.auxOvercurrentLevel = NumberOr(r.Value(5), 0);
  s.auxOvercurrentDelay = NumberOr(r.Value(6), 0);
  s.jamLevel = NumberOr(r.Value(7), 0);
  s.jamDelay = NumberOr(r.Value(8), 0);
  s.ctPrimary = NumberOr(r.Value(9), 0);
  s.fla = NumberOr(r.Value(10), 0);
  s.serviceFactor = NumberOr(r.Value(11), 0);
  s.family = r.family;
  s.title = r.Title();
  return s;
}

void WriteMotorSettingsToRecord(const MotorSettings& s, DraPlotData& r) {
  const std::array<double, kDraRecordRows> v = {s.lockedRotorCurrent,
                                                s.lockedRotorTimeCold,
                                                s.lockedRotorTimeHot,
                                                s.overcurrentLevel,
                                                s.overcurrentDelay,
                                                s.auxOvercurrentLevel,
                                                s.auxOvercurrentDelay,
                                                s.jamLevel,
                                                s.jamDelay,
                                                s.ctPrimary,
                                                s.fla,
                                                s.serviceFactor};
  for (int k = 0; k < kDraRecordRows; ++k)
    r.Value(k) = FormatFixed(v[static_cast<std::size_t>(k)], 2);
}

std::optional<MotorElement> FindMotorElement(std::string name) {
  std::string wanted;
  for (char c : name)
    if (std::isalnum(static_cast<unsigned char>(c)))
      wanted += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (wanted == "cold" || wanted == "coldcurve") return MotorElement::Cold;
  if (wanted == "warm" || wanted == "warmcurve" || wanted == "warmcurveat")
    return MotorElement::Warm;
  if (wanted == "overcurrent") return MotorElement::Overcurrent;
  if (wanted == "auxovercurrent") return MotorElement::AuxOvercurrent;
  if (wanted == "jam") return MotorElement::Jam;
  return std::nullopt;
}

CtRatioCheck CheckCtRatio(const MotorSettings& s) {
  const float fla = static_cast<float>(s.fla);
  const float ct = static_cast<float>(s.ctPrimary);
  if (!(fla > 0)) return {false, "Out of Range Error", {"Full Load Current must be above 0 A."}};
  const float ratio = ct / fla;
  if (ratio >= 0 && ratio <= 25) return {};
  return {false,
          "Out of Range Error",
          {"CT Primary (Ip) should be set between", "100% and 300% of Full Load Current."}};
}

double ThermalTimeConstant(double lrc, double tCold, double sf) {
  if (!(lrc > sf) || !(sf > 0)) return std::numeric_limits<double>::quiet_NaN();
  return tCold / (-std::log(1 - (sf * sf) / (lrc * lrc)));
}

double ThermalTime(int kind, double h, double tau, double sf, BandSide side, double w,
                   std::int32_t family) {
  if (!(h > sf)) return kInfinity;
  double t = -tau * std::log(1 - (sf * sf) / (h * h));
  if (kind == 1) t *= 1 - 0.01 * w;
  if (side == BandSide::Nominal || (family != 1 && family != 2)) return t;
  if (side == BandSide::Upper) return t + (family == 1 ? 0.2 : 0.1);
  return std::max(t, 0.025);
}

double DelayTime(double t, BandSide side, std::int32_t family) {
  if (side == BandSide::Nominal) return t;
  if (family == 1) {
    if (side == BandSide::Upper) return std::max(t, 0.045);
    return std::max(t - 0.1 * t, 0.025);
  }
  if (family == 2) {
    const double p = t > 1 ? 0.02 : 0.05;
    if (side == BandSide::Upper) return std::max(t + p * t, 0.045);
    return std::max(t - p * t, 0.016);
  }
  return t;
}

CtRatioCheck BuildMotorCurves(const MotorSettings& s, const MotorView& view, MotorCurves& c,
                              const CurveSeries* custom) {
  // The working values are single precision, as the relay computes them.
  const float lrc = static_cast<float>(s.lockedRotorCurrent * 100);
  const float tCold = static_cast<float>(s.lockedRotorTimeCold);
  const float tHot = static_cast<float>(s.lockedRotorTimeHot);
  const float sf = static_cast<float>(s.serviceFactor * 100);
  const float w = static_cast<float>(view.thermalCapacity);
  const float fla = static_cast<float>(s.fla);
  const float ct = static_cast<float>(s.ctPrimary);
  const float ocLevel = static_cast<float>(s.overcurrentLevel);
  const float ocDelay = static_cast<float>(s.overcurrentDelay);
  const float aocLevel = static_cast<float>(s.auxOvercurrentLevel);
  const float aocDelay = static_cast<float>(s.auxOvercurrentDelay);
  const float jamLevel = static_cast<float>(s.jamLevel);
  const float jamDelay = static_cast<float>(s.jamDelay);
  const int sfi = static_cast<int>(std::trunc(sf));

  c.ampereTexts = {FormatFixed(ocLevel * ct, 2) + " A", FormatFixed(aocLevel * ct, 2) + " A",
                   FormatFixed(jamLevel * fla, 2) + " A"};
  const CtRatioCheck check = CheckCtRatio(s);
  if (!check.ok) return check;

  const float ocPercent = ocLevel * ct * 100 / fla;
  const float aocPercent = aocLevel * ct * 100 / fla;
  auto extentFor = [](float pickup) {
    const double e = std::trunc((static_cast<double>(pickup) + 200) / 100) * 100;
    return e < kMaxExtent ? static_cast<int>(e) : kMaxExtent;
  };
  const int hmax = std::max({1500, extentFor(ocPercent), extentFor(aocPercent)});

  for (int e = 0; e < kMotorElements; ++e) {
    CurveSeries& series = c.series[static_cast<std::size_t>(e)];
    series.name = kElements[static_cast<std::size_t>(e)].name;
    series.title = kElements[static_cast<std::size_t>(e)].title;
    series.colour = kElements[static_cast<std::size_t>(e)].colour;
    series.points.clear();
  }
  c.trend = {"Trend_Series", "Trend", "000000", view.trendTicked, {}};
  c.table = {};
  c.table.header = {"% FLA", "Current (A)", "0% Curve", WholeOrEmpty(w) + "% Curve"};

  const float tau = static_cast<float>(ThermalTimeConstant(lrc, tCold, sf));
  c.thermalTimeConstant = tau;
  const bool thermal = std::isfinite(tau) && tau > 0;
  const int family = s.family;
  CurveSeries& cold = c.Series(MotorElement::Cold);
  CurveSeries& warm = c.Series(MotorElement::Warm);
  cold.points.reserve(2 * static_cast<std::size_t>(hmax) + 4000);
  warm.points.reserve(cold.points.capacity());
  c.trend.points.reserve(static_cast<std::size_t>(hmax) + 2000);

  // Current pass: tenths of % FLA below 200 %, whole percents from there. The
  // values are counted rather than accumulated, which is what tidying the
  // running value to one or no decimals achieves.
  auto pass = [&](float h) {
    const float ratio = h / sf;
    const float y = h < static_cast<float>(sfi) ? ratio * ratio * ((tCold - tHot) / tCold) * 100
                                                : ratio * ratio * 100;
    c.trend.points.push_back({h, y});
    const bool tableRow = 5 * std::trunc(h / 5) == h;
    auto row = [&](std::string coldText, std::string warmText) {
      c.table.rows.push_back({FormatFixed(h, 0), WholeOrEmpty(h * fla / 100), std::move(coldText),
                              std::move(warmText)});
    };
    if (h < static_cast<float>(sfi)) {
      if (h >= 100 && tableRow) row("", "");
    } else if (h == static_cast<float>(sfi)) {
      cold.points.push_back({h, kServiceFactorTime});
      warm.points.push_back({h, kServiceFactorTime});
      if (tableRow) row("9999.99", "9999.99");
    } else {
      // Between the whole and the exact service factor (a factor with more
      // than two decimals) the curves have no value and are not drawn.
      const bool drawn = thermal && h > sf;
      if (drawn) {
        for (BandSide side : {BandSide::Upper, BandSide::Lower}) {
          cold.points.push_back({h, ThermalTime(0, h, tau, sf, side, w, family)});
        }
        for (BandSide side : {BandSide::Upper, BandSide::Lower}) {
          warm.points.push_back({h, ThermalTime(1, h, tau, sf, side, w, family)});
        }
      }
      if (tableRow) {
        if (drawn)
          row(TwoDecimalsNoLeadingZero(ThermalTime(0, h, tau, sf, BandSide::Nominal, w, family)),
              TwoDecimalsNoLeadingZero(ThermalTime(1, h, tau, sf, BandSide::Nominal, w, family)));
        else
          row("", "");
      }
    }
  };
  for (int tenths = 10; tenths < 2000 && tenths <= 10 * hmax; ++tenths)
    pass(static_cast<float>(tenths / 10.0));
  for (int h = 200; h <= hmax; ++h) pass(static_cast<float>(h));

  auto definite = [&](MotorElement e, float pickup, float delay) {
    CurveSeries& series = c.Series(e);
    const int first = static_cast<int>(std::max(0.0f, std::trunc(pickup)));
    if (first <= hmax) series.points.reserve(2 * static_cast<std::size_t>(hmax - first + 1) + 1);
    for (int d = first; d <= hmax; ++d) {
      series.points.push_back({static_cast<double>(d), DelayTime(delay, BandSide::Upper, family)});
      series.points.push_back({static_cast<double>(d), DelayTime(delay, BandSide::Lower, family)});
    }
    InsertByCurrent(series, {pickup, kStartLineTime});
  };
  definite(MotorElement::Overcurrent, ocPercent, ocDelay);
  definite(MotorElement::AuxOvercurrent, aocPercent, aocDelay);
  definite(MotorElement::Jam, jamLevel * 100, jamDelay);

  c.built = true;
  ScaleMotorAxes(c, s, view, custom);
  return check;
}

void ScaleMotorAxes(MotorCurves& c, const MotorSettings& s, const MotorView& view,
                    const CurveSeries* custom) {
  for (int e = 0; e < kMotorElements; ++e)
    c.series[static_cast<std::size_t>(e)].active = view.ticked[static_cast<std::size_t>(e)];
  c.trend.active = view.trendTicked;
  if (view.holdAxis) {
    c.axes = view.axes;
  } else {
    std::vector<const CurveSeries*> all;
    for (const CurveSeries& series : c.series) all.push_back(&series);
    all.push_back(custom);
    const SeriesExtent e = ExtentOf(all);
    c.axes = view.axes;
    if (e.any) {
      c.axes.time = {TimeAxisMinimumFor(e.timeMin), TimeAxisMaximumFor(e.timeMax)};
      c.axes.current = {std::floor(0.9 * e.currentMin), CurrentAxisMaximumFor(e.currentMax)};
    }
  }
  c.legend = Legend(s, view);
}

std::vector<std::string> MotorPointsFileLines(const PointsTable& table) {
  std::vector<std::string> lines = {kBrandLine, "Protection Curves", kPointsLabel};
  for (std::string& l : PointsTableLines(table)) lines.push_back(std::move(l));
  lines.insert(lines.end(), {"", ""});
  return lines;
}

}  // namespace kvx
