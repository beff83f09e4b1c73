#include "sim/simulated_relay.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace kvx::sim {
namespace {

constexpr int kMeterFirst = 860;
constexpr int kMeterLast = 975;

}  // namespace

SimulatedRelay::SimulatedRelay(RelayConfig config)
    : config_(std::move(config)),
      image_(kTableSize, 0),
      owner_(kTableSize, Owner::None),
      settingAt_(kTableSize, -1),
      process_(config_.model.family),
      metering_(config_.model.family, config_.definition),
      events_(config_.model.family,
              config_.definition.definitionFirmware > 0 ? config_.definition.definitionFirmware
                                                        : config_.firmware,
              config_.definition) {
  // Bases and module count until the definition says otherwise.
  PutSingle(&image_[225], 100.0f);
  PutSingle(&image_[227], 4160.0f);
  PutSingle(&image_[251], 400.0f);
  PutSingle(&image_[218], 100.0f);
  image_[390] = 1;

  const auto& settings = config_.definition.settings;
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const SimSetting& s = settings[i];
    const int span = RegisterSpan(s.typeCode);
    if (s.reg < 0 || s.reg + span > kTableSize) continue;
    auto words = EncodeValue(s.typeCode, s.defaultText);
    for (int k = 0; k < span; ++k) {
      image_[static_cast<std::size_t>(s.reg + k)] = words[static_cast<std::size_t>(k)];
      owner_[static_cast<std::size_t>(s.reg + k)] = Owner::Setting;
      settingAt_[static_cast<std::size_t>(s.reg + k)] = static_cast<int>(i);
    }
  }
  auto special = [this](int first, int count) {
    for (int r = first; r < first + count; ++r) {
      owner_[static_cast<std::size_t>(r)] = Owner::Special;
      settingAt_[static_cast<std::size_t>(r)] = -1;
    }
  };
  special(kCommandRegister, 1);
  special(kClockTextRegister, 10);
  special(kPasswordRegister, 10);
  special(kEventSelectRegister, 1);
  for (int r = 0; r < 4; ++r) {  // identity: never writable
    owner_[static_cast<std::size_t>(r)] =
        settingAt_[static_cast<std::size_t>(r)] >= 0 ? Owner::Fixed : Owner::None;
  }
  image_[0] = static_cast<std::uint16_t>(config_.model.code);
  image_[1] = static_cast<std::uint16_t>(config_.firmware);
  const auto serial = static_cast<std::uint32_t>(config_.serial);
  image_[2] = static_cast<std::uint16_t>(serial & 0xFFFF);
  image_[3] = static_cast<std::uint16_t>(serial >> 16);
  auto password = EncodeValue(22, config_.password);
  std::copy(password.begin(), password.end(), image_.begin() + kPasswordRegister);

  const TimePoint now = Now();
  lastAdvance_ = now;
  events_.Seed(std::max(0, config_.events), clock_.At(now), InputsLocked(now), metering_);
}

TimePoint SimulatedRelay::Now() const {
  return config_.clock ? config_.clock() : std::chrono::system_clock::now();
}

float SimulatedRelay::SingleAtLocked(int reg, float fallback) const {
  auto bits = static_cast<std::uint32_t>(image_[static_cast<std::size_t>(reg)] |
                                         (image_[static_cast<std::size_t>(reg + 1)] << 16));
  float v = std::bit_cast<float>(bits);
  return std::isfinite(v) && v > 0 ? v : fallback;
}

MeteringInputs SimulatedRelay::InputsLocked(TimePoint now) const {
  MeteringInputs in;
  in.currentBase = SingleAtLocked(225, 100.0f);
  in.voltageBase = SingleAtLocked(227, 4160.0f);
  in.feederBase = SingleAtLocked(251, 400.0f);
  in.differentialBase = SingleAtLocked(218, 100.0f);
  in.rtdModules = std::min<int>(image_[390], 3);
  in.currentFactor = process_.CurrentFactor(now);
  in.energised = process_.Energised();
  in.starting =
      process_.Motor() == MotorState::Starting1 || process_.Motor() == MotorState::Starting2;
  in.seconds = std::fmod(std::chrono::duration<double>(now.time_since_epoch()).count(), 7e5);
  in.steady = config_.steady;
  if (config_.steady) in.seconds = 0;
  return in;
}

void SimulatedRelay::AdvanceLocked(TimePoint now) {
  double dt = std::chrono::duration<double>(now - lastAdvance_).count();
  if (dt > 0) {
    metering_.Integrate(InputsLocked(now), dt);
    lastAdvance_ = now;
  }
  process_.Advance(now);
}

std::uint16_t SimulatedRelay::ReadOneLocked(int reg, TimePoint now, const MeteringInputs& in) {
  (void)in;
  if (reg >= kMeterFirst && reg <= kMeterLast) {
    if (reg == kEventCountRegister)
      return static_cast<std::uint16_t>(std::min<std::uint32_t>(events_.Count(), 0xFFFF));
    if (reg == kEventSelectRegister) return static_cast<std::uint16_t>(events_.SelectedSlot());
    if (reg == 974) return 0;
    return meterBlock_[static_cast<std::size_t>(reg - kMeterFirst)];
  }
  if (reg >= EventRing::kFirst && reg < EventRing::kFirst + EventRing::kWords)
    return events_.SelectedBlock()[static_cast<std::size_t>(reg - EventRing::kFirst)];
  if (reg >= 1096 && reg <= 1100)
    return process_.StatusWords()[static_cast<std::size_t>(reg - 1096)];
  if (reg >= 1104 && reg <= 1118)
    return process_.TripCodeWords()[static_cast<std::size_t>(reg - 1104)];
  if (reg == 576 || reg == 577) {
    RelayTime t = clock_.At(now);
    return reg == 576 ? ClockLowWord(t) : ClockHighWord(t);
  }
  if (reg == kCommandRegister) return 0;
  if (reg < kTableSize) return image_[static_cast<std::size_t>(reg)];
  return 0;
}

ModbusException SimulatedRelay::ReadRegisters(std::uint16_t first, std::uint16_t count,
                                              std::uint16_t* out) {
  if (first + count > 0x10000) return ModbusException::IllegalDataAddress;
  std::lock_guard lock(mutex_);
  const TimePoint now = Now();
  AdvanceLocked(now);
  const MeteringInputs in = InputsLocked(now);
  if (first <= 972 && first + count > kMeterFirst) {
    std::copy(image_.begin() + kMeterFirst, image_.begin() + kMeterLast + 1, meterBlock_.begin());
    metering_.Fill(in, meterBlock_.data());
  }
  if (first <= 1229 && first + count > 1210) {
    std::array<std::uint16_t, 20> totals{};
    metering_.FillTotals(in, totals.data());
    for (int i = 0; i < count; ++i) {
      int r = first + i;
      out[i] = (r >= 1210 && r <= 1229) ? totals[static_cast<std::size_t>(r - 1210)]
                                        : ReadOneLocked(r, now, in);
    }
    return ModbusException::None;
  }
  for (int i = 0; i < count; ++i) out[i] = ReadOneLocked(first + i, now, in);
  return ModbusException::None;
}

ModbusException SimulatedRelay::WriteRegisters(std::uint16_t first,
                                               std::span<const std::uint16_t> words) {
  const std::size_t count = words.size();
  if (count == 0 || first + count > 0x10000) return ModbusException::IllegalDataAddress;
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t r = first + i;
    if (r >= static_cast<std::size_t>(kTableSize) || owner_[r] == Owner::None)
      return ModbusException::IllegalDataAddress;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (owner_[first + i] == Owner::Fixed) return ModbusException::IllegalDataValue;
  }
  // Check every touched setting with the new words in place before taking any.
  std::vector<std::uint16_t> proposed(image_);
  std::copy(words.begin(), words.end(), proposed.begin() + first);
  int lastChecked = -1;
  const auto& settings = config_.definition.settings;
  for (std::size_t i = 0; i < count; ++i) {
    const int idx = settingAt_[first + i];
    if (idx < 0 || idx == lastChecked) continue;
    lastChecked = idx;
    const SimSetting& s = settings[static_cast<std::size_t>(idx)];
    if (s.access != 0) return ModbusException::IllegalDataValue;
    if (!WithinLimits(s, &proposed[static_cast<std::size_t>(s.reg)]))
      return ModbusException::IllegalDataValue;
  }
  auto touches = [&](int reg) {
    return reg >= first && static_cast<std::size_t>(reg) < first + count;
  };
  if (touches(kCommandRegister) && !RelayProcess::IsKnownCommand(proposed[kCommandRegister]))
    return ModbusException::IllegalDataValue;
  if (touches(kEventSelectRegister) && proposed[kEventSelectRegister] >= events_.Size())
    return ModbusException::IllegalDataValue;

  std::copy(words.begin(), words.end(), image_.begin() + first);
  const TimePoint now = Now();
  AdvanceLocked(now);
  if (touches(kEventSelectRegister)) events_.Select(image_[kEventSelectRegister]);
  if (touches(kCommandRegister)) {
    CommandLocked(image_[kCommandRegister], now);
    image_[kCommandRegister] = 0;
  }
  return ModbusException::None;
}

ModbusException SimulatedRelay::WriteCoil(std::uint16_t coil, bool on) {
  if (!RelayProcess::IsKnownCommand(coil)) return ModbusException::IllegalDataAddress;
  std::lock_guard lock(mutex_);
  const TimePoint now = Now();
  AdvanceLocked(now);
  if (on) CommandLocked(coil, now);
  return ModbusException::None;
}

bool SimulatedRelay::Command(int code) {
  std::lock_guard lock(mutex_);
  const TimePoint now = Now();
  AdvanceLocked(now);
  return CommandLocked(code, now);
}

bool SimulatedRelay::CommandLocked(int code, TimePoint now) {
  if (!RelayProcess::IsKnownCommand(code)) return false;
  const MeteringInputs before = InputsLocked(now);
  switch (code) {
    case 4:
      clock_.Set(TextAtLocked(kClockTextRegister), now);
      break;
    case 5:
      events_.Clear();
      break;
    case 7:
      metering_.ClearEnergyTotals();
      break;
    case 8:
      metering_.ClearRunningHours();
      break;
    default:
      break;
  }
  if (auto record = process_.Command(code, now)) AppendLocked(*record, before, now);
  return true;
}

void SimulatedRelay::AppendLocked(const ProcessRecord& record, const MeteringInputs& before,
                                  TimePoint now) {
  // A start is recorded with its inrush, a trip or reset with what flowed before it.
  const MeteringInputs at = record.kind == RecordKind::Start ? InputsLocked(now) : before;
  events_.Append(record.kind, record.cause, clock_.At(now), at, metering_);
}

bool SimulatedRelay::RecordStart(bool second) {
  std::lock_guard lock(mutex_);
  const TimePoint now = Now();
  AdvanceLocked(now);
  const MeteringInputs before = InputsLocked(now);
  auto record = process_.Command(second ? 2 : 1, now);
  if (!record) return false;
  AppendLocked(*record, before, now);
  return true;
}

void SimulatedRelay::RecordThermalReset() {
  std::lock_guard lock(mutex_);
  const TimePoint now = Now();
  AdvanceLocked(now);
  const MeteringInputs before = InputsLocked(now);
  if (auto record = process_.Command(9, now)) AppendLocked(*record, before, now);
}

std::string SimulatedRelay::TextAtLocked(int reg) const {
  std::string text;
  for (int i = 0; i < 10; ++i) {
    std::uint16_t w = image_[static_cast<std::size_t>(reg + i)];
    for (int c : {w >> 8, w & 0xFF}) {
      if (c == 0) return text;
      text.push_back(static_cast<char>(c));
    }
  }
  return text;
}

bool SimulatedRelay::Trip(int code) {
  std::lock_guard lock(mutex_);
  const TimePoint now = Now();
  AdvanceLocked(now);
  // A protection element trips on a fault current, also when it is raised
  // here on a relay that carried none: the record shows an overload.
  MeteringInputs before = InputsLocked(now);
  before.energised = true;
  before.currentFactor = std::max(before.currentFactor, 1.25);
  before.starting = false;
  auto record = process_.Trip(code);
  if (!record) return false;
  AppendLocked(*record, before, now);
  return true;
}

void SimulatedRelay::Alarm(int code) {
  std::lock_guard lock(mutex_);
  AdvanceLocked(Now());
  process_.Alarm(code);
}

void SimulatedRelay::ClearTrips() {
  std::lock_guard lock(mutex_);
  process_.ClearTrips();
}

void SimulatedRelay::SetFirmware(int firmware) {
  std::lock_guard lock(mutex_);
  image_[1] = static_cast<std::uint16_t>(firmware);
}

void SimulatedRelay::SetModelCode(int code) {
  std::lock_guard lock(mutex_);
  image_[0] = static_cast<std::uint16_t>(code);
}

void SimulatedRelay::SetRtdModules(int modules) {
  std::lock_guard lock(mutex_);
  image_[390] = static_cast<std::uint16_t>(modules);
}

bool SimulatedRelay::SetTemperature(int channel, double value) {
  if (channel < 1 || channel > 32) return false;
  const int reg = channel <= 24 ? 902 + 2 * (channel - 1) : 950 + 2 * (channel - 25);
  std::lock_guard lock(mutex_);
  metering_.SetChannel(reg, value);
  return true;
}

void SimulatedRelay::SetCurrent(std::optional<double> amps) {
  std::lock_guard lock(mutex_);
  if (!amps) {
    process_.ForceCurrent(std::nullopt);
    return;
  }
  const double base =
      config_.model.family == 3 ? SingleAtLocked(251, 400.0f) : SingleAtLocked(225, 100.0f);
  process_.ForceCurrent(*amps / base);
}

void SimulatedRelay::SetSteady(bool steady) {
  std::lock_guard lock(mutex_);
  AdvanceLocked(Now());
  config_.steady = steady;
}

std::string SimulatedRelay::Password() const {
  std::lock_guard lock(mutex_);
  return TextAtLocked(kPasswordRegister);
}

EventRing::Block SimulatedRelay::EventSlotBlock(int slot) const {
  std::lock_guard lock(mutex_);
  return events_.SlotBlock(slot);
}

std::uint32_t SimulatedRelay::EventCount() const {
  std::lock_guard lock(mutex_);
  return events_.Count();
}

}  // namespace kvx::sim
