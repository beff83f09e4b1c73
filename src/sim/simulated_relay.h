#pragma once
// One simulated relay: identity, the settings of its definition at their
// DEFAULT, the password, living metering, status, clock, event ring and trip
// codes, with the device commands acting on them. Thread-safe: every server
// thread and test may call it at once.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/modbus_device.h"
#include "sim/relay_clock.h"
#include "sim/relay_definition.h"
#include "sim/relay_events.h"
#include "sim/relay_metering.h"
#include "sim/relay_process.h"
#include "sim/sim_models.h"

namespace kvx::sim {

struct RelayConfig {
  SimModel model{201, "DRA", "dra_defaults_", 1};
  int firmware = 190;  // hundredths, what register 1 reports
  std::int32_t serial = 12345;
  bool steady = false;  // metering without ripple and totals that stand still
  std::string password = "1234";
  int events = 12;  // records written so far
  RelayDefinition definition;
  WallClock clock;  // empty: the system clock
};

class SimulatedRelay : public ModbusDevice {
 public:
  // Registers the master writes that are not settings. The relay's own
  // numbers, kept apart from the program's (comm/relay_registers.h) so that a
  // wrong address on either side fails the tests against the simulator.
  static constexpr int kCommandRegister = 6;
  static constexpr int kClockTextRegister = 580;  // 10 registers, "YY/MM/DD hh:mm:ss"
  static constexpr int kPasswordRegister = 590;   // 10 registers, type 22 text
  static constexpr int kEventCountRegister = 973;
  static constexpr int kEventSelectRegister = 975;
  static constexpr int kTableSize = 1501;

  explicit SimulatedRelay(RelayConfig config);

  ModbusException ReadRegisters(std::uint16_t first, std::uint16_t count,
                                std::uint16_t* out) override;
  ModbusException WriteRegisters(std::uint16_t first,
                                 std::span<const std::uint16_t> words) override;
  ModbusException WriteCoil(std::uint16_t coil, bool on) override;

  // Runs a device command as if it had arrived on the link; false for a code
  // the relay does not know.
  bool Command(int code);

  // A motor start (false for a feeder, a tripped relay or a turning motor)
  // and an emergency thermal reset, as their commands do: each writes a record.
  bool RecordStart(bool second = false);
  void RecordThermalReset();

  // The block of ring slot `slot` as the relay would present it.
  EventRing::Block EventSlotBlock(int slot) const;

  // What a trainer or a test changes while the relay runs (the simulator's
  // control channel). Trips, alarms and their clearing each go through their
  // one method here, so that everything a trip shows (status words, trip
  // codes, the event record) follows from one place.
  // A trip shows its code in the trip code registers and writes a trip
  // record with a fault current, also on a relay that carried none; false
  // when a trip is already active. An alarm writes no record.
  bool Trip(int code);
  void Alarm(int code);
  void ClearTrips();
  void SetFirmware(int firmware);   // register 1
  void SetModelCode(int code);      // register 0
  void SetRtdModules(int modules);  // register 390
  // A temperature channel: 1..24 the module channels (902, 904 ... 948),
  // 25..32 the local sensors (950 ... 964). False for another channel.
  bool SetTemperature(int channel, double value);
  // The phase currents held at `amps` (nothing: the plant decides again).
  void SetCurrent(std::optional<double> amps);
  void SetSteady(bool steady);
  void SetSilent(bool silent) { silent_.store(silent); }
  bool Silent() const override { return silent_.load(); }

  const RelayConfig& Config() const { return config_; }
  std::string Password() const;
  std::uint32_t EventCount() const;

 private:
  enum class Owner : std::uint8_t { None, Special, Setting, Fixed };

  TimePoint Now() const;
  void AdvanceLocked(TimePoint now);
  MeteringInputs InputsLocked(TimePoint now) const;
  std::uint16_t ReadOneLocked(int reg, TimePoint now, const MeteringInputs& in);
  bool CommandLocked(int code, TimePoint now);
  void AppendLocked(const ProcessRecord& record, const MeteringInputs& before, TimePoint now);
  std::string TextAtLocked(int reg) const;
  float SingleAtLocked(int reg, float fallback) const;

  RelayConfig config_;
  mutable std::mutex mutex_;
  std::vector<std::uint16_t> image_;  // static registers 0..1500
  std::vector<Owner> owner_;          // who may write each register
  std::vector<int> settingAt_;        // index into settings, -1 when none
  RelayClock clock_;
  RelayProcess process_;
  RelayMetering metering_;
  EventRing events_;
  TimePoint lastAdvance_;
  std::array<std::uint16_t, 116> meterBlock_{};  // 860..975 of the current read
  std::atomic<bool> silent_{false};
};

}  // namespace kvx::sim
