#include "sim/relay_process.h"

namespace kvx::sim {

void RelayProcess::Advance(TimePoint now) {
  if ((motor_ == MotorState::Starting1 || motor_ == MotorState::Starting2) &&
      now - startedAt_ >= kStartDuration) {
    motor_ = motor_ == MotorState::Starting1 ? MotorState::Running1 : MotorState::Running2;
  }
}

std::optional<ProcessRecord> RelayProcess::Start(bool second, TimePoint now) {
  if (!IsMotor() || tripped_ || motor_ != MotorState::Idle) return std::nullopt;
  motor_ = second ? MotorState::Starting2 : MotorState::Starting1;
  startedAt_ = now;
  return ProcessRecord{RecordKind::Start, 253};  // "Normal Start"
}

std::optional<ProcessRecord> RelayProcess::Command(int code, TimePoint now) {
  Advance(now);
  switch (code) {
    case 0:  // Stop
      motor_ = MotorState::Idle;
      break;
    case 1:
      return Start(false, now);
    case 2:
      return Start(true, now);
    case 3:   // Reset Trips
    case 14:  // Remote/Network Trip Reset
      tripped_ = false;
      tripCode_ = 0;
      thermalReset_ = false;
      break;
    case 9:  // Emergency Thermal Reset
      thermalReset_ = true;
      return ProcessRecord{RecordKind::ThermalReset, 255};
    case 10:
      localControl_ = true;
      break;
    case 11:
      localControl_ = false;
      break;
    case 13:  // Remote/Network Trip Set
      return Trip(NetworkTripCode());
    case 15:
      Alarm(NetworkAlarmCode());
      break;
    case 16:
      alarmed_ = false;
      alarmCode_ = 0;
      break;
    case 17:  // Run1 Set
      if (IsMotor()) return Start(false, now);
      run1Output_ = !tripped_;
      break;
    case 18:  // Run1 Clear
      if (IsMotor()) {
        motor_ = MotorState::Idle;
      } else {
        run1Output_ = false;
      }
      break;
    default:  // 4..8, 12: clock, records, counters, totals, temperature protection
      break;
  }
  return std::nullopt;
}

std::optional<ProcessRecord> RelayProcess::Trip(int code) {
  if (tripped_) return std::nullopt;
  tripped_ = true;
  tripCode_ = code;
  motor_ = MotorState::Idle;
  run1Output_ = false;
  return ProcessRecord{RecordKind::Trip, code};
}

void RelayProcess::Alarm(int code) {
  alarmed_ = true;
  alarmCode_ = code;
}

void RelayProcess::ClearTrips() {
  tripped_ = alarmed_ = false;
  tripCode_ = alarmCode_ = 0;
  thermalReset_ = false;
}

bool RelayProcess::Energised() const {
  if (forcedFactor_) return *forcedFactor_ > 0;
  if (!IsMotor()) return !tripped_;
  return motor_ != MotorState::Idle;
}

double RelayProcess::CurrentFactor(TimePoint now) const {
  if (forcedFactor_) return *forcedFactor_;
  if (!IsMotor()) return tripped_ ? 0.0 : 0.62;
  switch (motor_) {
    case MotorState::Idle:
      return 0.0;
    case MotorState::Starting1:
    case MotorState::Starting2: {
      // locked-rotor current falling off as the motor runs up
      double t = std::chrono::duration<double>(now - startedAt_).count() /
                 std::chrono::duration<double>(kStartDuration).count();
      if (t > 1) t = 1;
      return 6.0 - 5.2 * t;
    }
    default:
      return 0.82;
  }
}

std::array<std::uint16_t, 5> RelayProcess::StatusWords() const {
  std::array<std::uint16_t, 5> w{};
  const bool current = Energised();
  // A load forced on an idle motor reads as a motor that runs.
  const bool running = motor_ == MotorState::Running1 || motor_ == MotorState::Running2 ||
                       (forcedFactor_ && *forcedFactor_ > 0 && motor_ == MotorState::Idle);
  if (family_ == 1) {
    w[0] = static_cast<std::uint16_t>((tripped_ ? 0x0001 : 0) | (alarmed_ ? 0x0002 : 0));
    w[1] = static_cast<std::uint16_t>((current ? 0x0001 : 0) | (running ? 0x0002 : 0));
    w[2] = static_cast<std::uint16_t>(motor_ == MotorState::Idle        ? 0
                                      : motor_ == MotorState::Starting1 ? 1
                                      : motor_ == MotorState::Running1  ? 2
                                      : motor_ == MotorState::Starting2 ? 3
                                                                        : 4);
    // digital inputs: input 1 (stop circuit) healthy; input 7 follows local control
    w[3] = static_cast<std::uint16_t>(0x0001 | (localControl_ ? 0x0040 : 0));
    const bool contactor1 = motor_ == MotorState::Starting1 || motor_ == MotorState::Running1;
    const bool contactor2 = motor_ == MotorState::Starting2 || motor_ == MotorState::Running2;
    w[4] = static_cast<std::uint16_t>((contactor1 ? 0x01 : 0) | (contactor2 ? 0x02 : 0) |
                                      (tripped_ ? 0x04 : 0) | (alarmed_ ? 0x08 : 0) |
                                      0x10);  // RY5: watchdog healthy
    return w;
  }
  w[0] = static_cast<std::uint16_t>((tripped_ ? 0x0010 : 0) | (alarmed_ ? 0x0080 : 0));
  const bool ry1 = family_ == 2 ? current : run1Output_;
  std::uint16_t w1 =
      static_cast<std::uint16_t>((current ? 0x0001 : 0) | 0x0100 | (ry1 ? 0x0200 : 0) |
                                 (tripped_ ? 0x0400 : 0) | (alarmed_ ? 0x0800 : 0));
  if (family_ == 2) {
    w1 = static_cast<std::uint16_t>(w1 | (running ? 0x0002 : 0) | (thermalReset_ ? 0x0010 : 0));
  }
  w[1] = w1;
  return w;
}

std::array<std::uint16_t, 15> RelayProcess::TripCodeWords() const {
  std::array<std::uint16_t, 15> w{};
  if (family_ == 1) {
    // up to five active codes, the rest "No Trip or Alarm Code"
    for (int i = 0; i < 5; ++i) w[i] = 255;
    int n = 0;
    if (tripped_) w[n++] = static_cast<std::uint16_t>(ActiveTripCode());
    // An alarm with the trip's own code shows once.
    if (alarmed_ && !(tripped_ && ActiveAlarmCode() == ActiveTripCode())) {
      w[n++] = static_cast<std::uint16_t>(ActiveAlarmCode());
    }
    return w;
  }
  auto set = [&w](int code) { w[code / 16] |= static_cast<std::uint16_t>(1u << (code % 16)); };
  if (tripped_ && ActiveTripCode() < 15 * 16) set(ActiveTripCode());
  if (alarmed_ && ActiveAlarmCode() < 15 * 16) set(ActiveAlarmCode());
  return w;
}

}  // namespace kvx::sim
