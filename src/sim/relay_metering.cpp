#include "sim/relay_metering.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <string>

namespace kvx::sim {
namespace {

constexpr double kSqrt3 = 1.7320508075688772;
constexpr double kTwoPi = 6.283185307179586;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Has(const std::string& s, const char* part) {
  return s.find(part) != std::string::npos;
}

// A slow ripple of +-amplitude, different for every register.
double Ripple(double seconds, int reg, double amplitude) {
  return 1.0 + amplitude * std::sin(kTwoPi * seconds / 7.0 + reg * 0.7);
}

void BuiltInLayout(int family, std::map<int, QuantitySlot>& l) {
  for (int k = 0; k < 3; ++k) {
    l[860 + 2 * k] = {Quantity::PhaseCurrent, k};
    l[868 + 2 * k] = {Quantity::Voltage, k};
  }
  l[866] = {Quantity::EarthCurrent};
  l[874] = {Quantity::Frequency};
  l[876] = {Quantity::RealPower};
  l[878] = {Quantity::ReactivePower};
  l[880] = family == 3 ? QuantitySlot{Quantity::LocalTemperature}
                       : QuantitySlot{Quantity::ApparentPower};
  l[882] = {Quantity::PowerFactor};
  if (family == 2) {
    for (int k = 0; k < 3; ++k) l[884 + 2 * k] = {Quantity::DifferentialCurrent, k};
  } else {
    l[884] = {Quantity::ThermalCapacity};
    l[886] = {Quantity::CurrentUnbalance};
    l[888] = {Quantity::VoltageUnbalance};
  }
  l[890] = family == 2 ? QuantitySlot{Quantity::ThermalCapacity} : QuantitySlot{Quantity::Speed};
  l[892] = {Quantity::CurrentUnbalance};
  if (family == 2) l[900] = {Quantity::LocalTemperature};
  for (int k = 0; k < 24; ++k) l[902 + 2 * k] = {Quantity::RtdChannel, k};
  for (int k = 0; k < 8; ++k) l[950 + 2 * k] = {Quantity::RtdSummary, k};
}

}  // namespace

void PutSingle(std::uint16_t* words, float value) {
  auto bits = std::bit_cast<std::uint32_t>(value);
  words[0] = static_cast<std::uint16_t>(bits & 0xFFFF);
  words[1] = static_cast<std::uint16_t>(bits >> 16);
}

QuantitySlot QuantityFromUnits(const SimField& f, int phaseHint) {
  const std::string u = Lower(f.units);
  const std::string n = Lower(f.name);
  const bool earth = Has(n, "earth") || Has(n, "ground") || Has(n, "leak") || Has(n, "3io") ||
                     Has(n, "ict") || Has(n, "ef-") || Has(n, "ef ") || Has(n, "residual");
  if (u == "a" || u == "amps") {
    if (Has(n, "peak"))
      return earth ? QuantitySlot{Quantity::Fixed, 0, 2.4} : QuantitySlot{Quantity::PeakCurrent};
    if (Has(n, "diff")) return {Quantity::DifferentialCurrent, phaseHint};
    if (earth) return {Quantity::EarthCurrent};
    if (Has(n, "phase b") || Has(n, " ib")) return {Quantity::PhaseCurrent, 1};
    if (Has(n, "phase c") || Has(n, " ic")) return {Quantity::PhaseCurrent, 2};
    if (Has(n, "phase a") || Has(n, " ia") || Has(n, "average")) return {Quantity::PhaseCurrent, 0};
    return {Quantity::PhaseCurrent, phaseHint};
  }
  if (u == "ma") return {Quantity::AnalogInput};
  if (Has(n, "starts remaining")) return {Quantity::Fixed, 0, 3};
  if (u == "v" || u == "kv") {
    int k = phaseHint;
    if (Has(n, "vbc") || Has(n, "b-c")) k = 1;
    if (Has(n, "vca") || Has(n, "c-a")) k = 2;
    if (Has(n, "vab") || Has(n, "a-b") || Has(n, "average")) k = 0;
    return {Quantity::Voltage, k, u == "kv" ? 0.001 : 1.0};
  }
  if (u == "hz") return {Quantity::Frequency};
  if (u == "kw") return {Quantity::RealPower};
  if (u == "mw") return {Quantity::RealPower, 0, 0.001};
  if (u == "kvar") return {Quantity::ReactivePower};
  if (u == "kva") return {Quantity::ApparentPower};
  if (u == "rpm") return {Quantity::Speed};
  if (u == "%") {
    if (Has(n, "volt")) return {Quantity::VoltageUnbalance};
    if (Has(n, "unbal")) return {Quantity::CurrentUnbalance};
    return {Quantity::ThermalCapacity};
  }
  if (u == "c" || u == "degc" || u == "deg c" ||
      u == "\xb0"
           "c" ||
      u == "\xc2\xb0"
           "c")
    return {Quantity::LocalTemperature};
  if (Has(n, "power factor") || u == "pf") return {Quantity::PowerFactor};
  return {};
}

RelayMetering::RelayMetering(int family, const RelayDefinition& def) : family_(family) {
  BuiltInLayout(family, layout_);
  if (family == 1) {
    for (int k = 0; k < 3; ++k) totalsLayout_[1224 + 2 * k] = {Quantity::DifferentialCurrent, k};
  }
  // Readings the definition names override the usual layout where their
  // units say what they are; temperature channels keep their channel role.
  auto take = [this](const SimField& f) {
    if (f.reg < kFirst || f.reg > kLast) return;
    if (f.reg >= 902 && f.reg <= 965) return;
    int phase = ((f.reg - kFirst) / 2) % 3;
    if (auto it = layout_.find(f.reg); it != layout_.end()) phase = it->second.index;
    QuantitySlot slot = QuantityFromUnits(f, phase);
    if (slot.quantity != Quantity::None) layout_[f.reg] = slot;
  };
  for (const SimField& f : def.meteringFields) {
    take(f);
    if (f.reg == 1224 || f.reg == 1226 || f.reg == 1228) {
      QuantitySlot slot = QuantityFromUnits(f, (f.reg - 1224) / 2);
      if (slot.quantity != Quantity::None) totalsLayout_[f.reg] = slot;
    }
  }
  for (const SimField& f : def.rtdFields) take(f);
}

double RelayMetering::Value(const QuantitySlot& s, const MeteringInputs& in) const {
  const double t = in.seconds;
  const auto ripple = [&in](double seconds, int reg, double amplitude) {
    return in.steady ? 1.0 : Ripple(seconds, reg, amplitude);
  };
  const double base = family_ == 3 ? in.feederBase : in.currentBase;
  static constexpr double kPhaseSkew[3] = {1.0, 1.012, 0.991};
  auto phaseCurrent = [&](int k) {
    return base * in.currentFactor * kPhaseSkew[k % 3] * ripple(t, 860 + 2 * k, 0.008);
  };
  auto voltage = [&](int k) { return in.voltageBase * ripple(t, 868 + 2 * k, 0.003); };
  const double pf = !in.energised ? 0.0 : in.starting ? 0.32 : 0.87;
  const double iAvg = (phaseCurrent(0) + phaseCurrent(1) + phaseCurrent(2)) / 3;
  const double vAvg = (voltage(0) + voltage(1) + voltage(2)) / 3;
  const double kva = kSqrt3 * vAvg * iAvg / 1000.0;
  // heating of the machine: 0 cold .. 1 at full running load
  const double heat = in.energised ? std::min(in.currentFactor, 1.0) / 0.82 : 0.0;
  auto rtd = [&](int k) {
    if (k / 8 >= in.rtdModules) return -100.0;  // channel of an absent module: "Unused"
    int ch = k % 8;
    double rise = ch < 6 ? 38.0 : 14.0;  // six stator windings, two bearings
    return (ch < 6 ? 31.0 : 28.0) + rise * std::min(heat, 1.2) + 0.4 * ch + (k / 8) * 1.5;
  };
  double v = 0;
  switch (s.quantity) {
    case Quantity::None:
      return 0;
    case Quantity::PhaseCurrent:
      v = phaseCurrent(s.index);
      break;
    case Quantity::EarthCurrent:
      v = in.energised ? 0.14 * ripple(t, 866, 0.05) : 0.0;
      break;
    case Quantity::Voltage:
      v = voltage(s.index);
      break;
    case Quantity::Frequency:
      v = 60.0 * ripple(t, 874, 0.0004);
      break;
    case Quantity::RealPower:
      v = kva * pf;
      break;
    case Quantity::ReactivePower:
      v = kva * std::sqrt(std::max(0.0, 1 - pf * pf));
      break;
    case Quantity::ApparentPower:
      v = kva;
      break;
    case Quantity::PowerFactor:
      v = pf;
      break;
    case Quantity::ThermalCapacity:
      v = 8.0 + 37.0 * std::min(heat, 1.2);
      break;
    case Quantity::CurrentUnbalance:
      v = in.energised ? 1.8 * ripple(t, 886, 0.05) : 0.0;
      break;
    case Quantity::VoltageUnbalance:
      v = 0.6 * ripple(t, 888, 0.05);
      break;
    case Quantity::LocalTemperature:
      v = 38.5 * ripple(t, 900, 0.002);
      break;
    case Quantity::DifferentialCurrent:
      v = in.energised ? 0.015 * in.differentialBase * kPhaseSkew[s.index % 3] : 0.0;
      break;
    case Quantity::RtdChannel:
      return rtd(s.index);  // exact, so that sentinels stay exact
    case Quantity::RtdSummary:
      // local sensor 1 on the relay itself; the others are not fitted: "No Data"
      if (in.rtdModules <= 0) return -40.0;
      return s.index == 0 ? 38.5 : -40.0;
    case Quantity::Speed:
      v = in.energised && !in.starting ? 1785.0 * ripple(t, 890, 0.0005) : 0.0;
      break;
    case Quantity::AnalogInput:
      v = 4.0 + 16.0 * std::min(heat, 1.0) * 0.6;
      break;
    case Quantity::PeakCurrent:
      return 1.15 * base;
    case Quantity::Fixed:
      return s.scale;
  }
  return v * s.scale;
}

void RelayMetering::Fill(const MeteringInputs& in, std::uint16_t* words) const {
  for (const auto& [reg, slot] : layout_) {
    PutSingle(words + (reg - kFirst), static_cast<float>(Value(slot, in)));
  }
  for (const auto& [reg, value] : channels_) {
    if (reg >= kFirst && reg < kLast) PutSingle(words + (reg - kFirst), static_cast<float>(value));
  }
}

void RelayMetering::FillTotals(const MeteringInputs& in, std::uint16_t* w) const {
  auto seconds = static_cast<std::uint32_t>(static_cast<std::int32_t>(runningSeconds_));
  w[0] = static_cast<std::uint16_t>(seconds & 0xFFFF);
  w[1] = static_cast<std::uint16_t>(seconds >> 16);
  auto putDouble = [](std::uint16_t* p, double v) {
    auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint16_t>(bits >> (16 * i));
  };
  putDouble(w + 2, realEnergy_);
  putDouble(w + 6, reactiveEnergy_);
  putDouble(w + 10, apparentEnergy_);
  for (const auto& [reg, slot] : totalsLayout_) {
    PutSingle(w + (reg - 1210), static_cast<float>(Value(slot, in)));
  }
}

void RelayMetering::Integrate(const MeteringInputs& in, double dt) {
  if (dt <= 0 || !in.energised || in.steady) return;
  runningSeconds_ += dt;
  realEnergy_ += Value({Quantity::RealPower}, in) * dt;
  reactiveEnergy_ += Value({Quantity::ReactivePower}, in) * dt;
  apparentEnergy_ += Value({Quantity::ApparentPower}, in) * dt;
}

void RelayMetering::ClearEnergyTotals() {
  realEnergy_ = reactiveEnergy_ = apparentEnergy_ = 0;
}

void RelayMetering::ClearRunningHours() {
  runningSeconds_ = 0;
}

}  // namespace kvx::sim
