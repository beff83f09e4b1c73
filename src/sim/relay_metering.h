#pragma once
// Living metering: the readings 860..972 (singles, low word first), the totals
// 1210..1229 and how they move with the plant. Which register carries which
// quantity comes from the definition's metering and temperature groups
// (by units and name) and otherwise from the relay's usual layout.

#include <cstdint>
#include <map>

#include "sim/relay_definition.h"

namespace kvx::sim {

struct MeteringInputs {
  double currentBase = 100;       // single at 225
  double voltageBase = 4160;      // single at 227
  double feederBase = 400;        // single at 251
  double differentialBase = 100;  // single at 218
  int rtdModules = 0;             // register 390
  double currentFactor = 0;       // plant current / current base
  bool energised = false;
  bool starting = false;
  double seconds = 0;   // wall time, for the small ripple on every reading
  bool steady = false;  // no ripple and no running totals: readings stay exact
};

enum class Quantity {
  None,
  PhaseCurrent,  // index: phase 0..2
  EarthCurrent,
  Voltage,  // index: phase pair 0..2
  Frequency,
  RealPower,
  ReactivePower,
  ApparentPower,
  PowerFactor,
  ThermalCapacity,
  CurrentUnbalance,
  VoltageUnbalance,
  LocalTemperature,
  DifferentialCurrent,  // index: phase
  RtdChannel,           // index: channel 0..23 (module = index / 8)
  RtdSummary,           // index: 0..7 (registers 950..965)
  Speed,
  AnalogInput,  // a 4..20 mA loop
  PeakCurrent,  // a latched peak, somewhat above the current base
  Fixed,        // the slot's scale is the value itself
};

struct QuantitySlot {
  Quantity quantity = Quantity::None;
  int index = 0;
  double scale = 1;  // e.g. 0.001 for a voltage shown in kV
};

class RelayMetering {
 public:
  static constexpr int kFirst = 860;
  static constexpr int kLast = 972;  // last register that starts a single

  RelayMetering(int family, const RelayDefinition& definition);

  // Registers 860..972 into words[0..112] (words[r - 860]).
  void Fill(const MeteringInputs& in, std::uint16_t* words) const;
  // Registers 1210..1229 into words[0..19].
  void FillTotals(const MeteringInputs& in, std::uint16_t* words) const;
  // Adds `dtSeconds` of running to the totals.
  void Integrate(const MeteringInputs& in, double dtSeconds);

  // A temperature channel (register 902..964) fixed at `value` until cleared.
  void SetChannel(int reg, double value) { channels_[reg] = value; }
  void ClearChannel(int reg) { channels_.erase(reg); }

  void ClearEnergyTotals();
  void ClearRunningHours();

  double Value(const QuantitySlot& slot, const MeteringInputs& in) const;
  const std::map<int, QuantitySlot>& Layout() const { return layout_; }

 private:
  int family_;
  std::map<int, QuantitySlot> layout_;        // register -> quantity, 860..972
  std::map<int, QuantitySlot> totalsLayout_;  // the singles 1224, 1226, 1228
  std::map<int, double> channels_;            // temperature channels set by hand
  double runningSeconds_ = 4444200;           // 1234.5 h
  double realEnergy_ = 851234.0 * 3600;       // kW*s
  double reactiveEnergy_ = 402117.0 * 3600;
  double apparentEnergy_ = 941870.0 * 3600;
};

// A quantity recognised from a reading's units and name; None when unknown.
QuantitySlot QuantityFromUnits(const SimField& field, int phaseHint);

void PutSingle(std::uint16_t* words, float value);

}  // namespace kvx::sim
