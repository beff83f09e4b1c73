#pragma once
// The plant behind the relay and the relay's own protection state: a motor
// (families 1 and 2) that starts, runs and stops, or a feeder (family 3) that
// carries load until it trips; trips, alarms and outputs set and cleared by the
// device commands. It answers the status words 1096..1100 and the trip and
// alarm codes from 1104 on.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "sim/relay_clock.h"

namespace kvx::sim {

enum class MotorState { Idle, Starting1, Running1, Starting2, Running2 };

enum class RecordKind { Trip, Start, ThermalReset };

// A record the relay writes into its event ring because of a command.
struct ProcessRecord {
  RecordKind kind;
  int cause;  // code of the motor (families 1, 2) or feeder (family 3) cause list
};

class RelayProcess {
 public:
  static constexpr std::chrono::seconds kStartDuration{4};

  explicit RelayProcess(int family) : family_(family) {}

  // Moves timed transitions (a start becomes a run) up to `now`.
  void Advance(TimePoint now);
  // Acts on a device command. Commands outside the plant (clock, event
  // records, totals) are the caller's; they return nothing here.
  std::optional<ProcessRecord> Command(int code, TimePoint now);

  // A trip or an alarm with the relay's own code for its cause (from the
  // cause list of the family), as the control channel raises them; a trip
  // stops the motor. ClearTrips() ends every trip and alarm.
  std::optional<ProcessRecord> Trip(int code);
  void Alarm(int code);
  void ClearTrips();

  std::array<std::uint16_t, 5> StatusWords() const;
  std::array<std::uint16_t, 15> TripCodeWords() const;

  // The load held at `factor` times the current base (energised while above
  // zero) whatever the plant does; nothing: the plant decides again.
  void ForceCurrent(std::optional<double> factor) { forcedFactor_ = factor; }

  // Current flowing as a multiple of the current base (0 while stopped).
  double CurrentFactor(TimePoint now) const;
  bool Energised() const;  // motor turning, or feeder breaker closed
  MotorState Motor() const { return motor_; }
  bool Tripped() const { return tripped_; }
  bool Alarmed() const { return alarmed_; }
  int Family() const { return family_; }

  static bool IsKnownCommand(int code) { return code >= 0 && code <= 18; }

 private:
  bool IsMotor() const { return family_ != 3; }
  int NetworkTripCode() const { return family_ == 3 ? 105 : 119; }
  int NetworkAlarmCode() const { return family_ == 3 ? 106 : 120; }
  std::optional<ProcessRecord> Start(bool second, TimePoint now);
  int ActiveTripCode() const { return tripCode_ > 0 ? tripCode_ : NetworkTripCode(); }
  int ActiveAlarmCode() const { return alarmCode_ > 0 ? alarmCode_ : NetworkAlarmCode(); }

  int family_;
  MotorState motor_ = MotorState::Idle;
  TimePoint startedAt_{};
  bool tripped_ = false;
  bool alarmed_ = false;
  bool thermalReset_ = false;
  bool localControl_ = false;
  bool run1Output_ = false;  // family 3 output relay 1
  std::optional<double> forcedFactor_;
  int tripCode_ = 0;  // 0: the network trip's code
  int alarmCode_ = 0;
};

}  // namespace kvx::sim
