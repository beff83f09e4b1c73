#include "monitor/poll_cycles.h"

#include <span>
#include <string>

#include "comm/relay_registers.h"
#include "setpoints/register_values.h"

namespace kvx {
namespace {

bool Stopped(const std::atomic<bool>& stop) {
  return stop.load(std::memory_order_relaxed);
}

template <std::size_t N>
bool ReadInto(CommSettings& settings, int first, std::array<std::uint16_t, N>& words,
              CommFailure& why) {
  return ReadBlock(settings, first, static_cast<int>(N), std::span<std::uint16_t>(words), why);
}

}  // namespace

void ReadMeteringCycle(CommSettings& settings, MeteringSnapshot& s, const std::atomic<bool>& stop) {
  s.readOk = false;
  s.failure = {};
  if (Stopped(stop)) return;
  bool ok = ReadSetting(settings, relay_reg::kRtdModules, 3, s.rtdModuleText, s.failure);
  const auto next = [&](auto&& read) {
    if (!ok) return;
    if (Stopped(stop)) {
      ok = false;
      return;
    }
    ok = read();
  };
  next([&] { return ReadInto(settings, relay_reg::kMeterFirst, s.meterWords, s.failure); });
  next([&] { return ReadInto(settings, relay_reg::kTotalsFirst, s.totalsWords, s.failure); });
  next([&] { return ReadInto(settings, 225, s.baseWords, s.failure); });
  next([&] { return ReadInto(settings, 210, s.words210, s.failure); });
  next([&] { return ReadInto(settings, 251, s.feederBaseWords, s.failure); });
  next([&] { return ReadInto(settings, 218, s.differentialBaseWords, s.failure); });
  s.readOk = ok;
}

void ReadStatusCycle(CommSettings& settings, StatusCycleState& state, StatusSnapshot& s,
                     const std::atomic<bool>& stop) {
  ++state.cycle;
  s.identityRead = false;
  s.failure = {};
  bool ok = state.ok;
  if ((!ok || state.cycle >= state.identityEvery) && !Stopped(stop)) {
    ok = ReadSetting(settings, relay_reg::kModelCode, 3, s.modelCodeText, s.failure) &&
         !Stopped(stop) &&
         ReadSetting(settings, relay_reg::kFirmware, 3, s.firmwareText, s.failure);
    if (ok) {
      s.identityRead = true;
      state.cycle = 0;
    }
  }
  if (ok && !Stopped(stop)) {
    ok = ReadInto(settings, relay_reg::kClockTime, s.clockWords, s.failure) && !Stopped(stop) &&
         ReadInto(settings, relay_reg::kStatusFirst, s.statusWords, s.failure);
  }
  // A stop asked part-way leaves the cycle unfinished: it is not shown.
  if (Stopped(stop)) ok = false;
  state.ok = ok;
  s.readOk = ok;
}

}  // namespace kvx
