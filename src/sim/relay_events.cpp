#include "sim/relay_events.h"

#include <ctime>

namespace kvx::sim {
namespace {

bool IsTemperatureUnits(const SimField& f) {
  QuantitySlot q = QuantityFromUnits(f, 0);
  return q.quantity == Quantity::LocalTemperature || q.quantity == Quantity::None;
}

std::vector<SimField> BuiltInFields(int family, int firmware) {
  const bool feeder = family == 3;
  std::vector<SimField> f = {
      {976, 23, "Date", ""},
      {978, 24, "Time", ""},
      {980, feeder ? 80 : 26, "Record Type", ""},
      {981, feeder ? 79 : 27, "Cause", ""},
      {982, 1, "Phase A Current", "A"},
      {984, 1, "Phase B Current", "A"},
      {986, 1, "Phase C Current", "A"},
      {988, 1, "Earth Leakage Current", "A"},
  };
  if (family == 2) {
    for (int d : {990, 992, 994}) f.push_back({d, 1, "Hottest Channel", ""});
    f.push_back({1000, 1, "Local Temperature", "C"});
  } else {
    f.push_back({990, 1, "Voltage Vab", "V"});
    f.push_back({992, 1, "Voltage Vbc", "V"});
    f.push_back({994, 1, "Voltage Vca", "V"});
    if (feeder) f.push_back({996, 1, "Local Temperature", "C"});
  }
  const int lastChannel = (family == 1 && firmware >= 230) ? 1035 : 1051;
  for (int d = 1005; d <= lastChannel; d += 2) {
    f.push_back({d, 1, "RTD " + std::to_string((d - 1005) / 2 + 1), "C"});
  }
  if (family == 1) {
    for (int d = lastChannel + 2; d <= 1063; d += 2) f.push_back({d, 1, "Spare", ""});
  }
  return f;
}

}  // namespace

EventRing::EventRing(int family, int definitionFirmware, const RelayDefinition& def)
    : family_(family),
      definitionFirmware_(definitionFirmware),
      fields_(def.eventFields.empty() ? BuiltInFields(family, definitionFirmware)
                                      : def.eventFields),
      slots_(static_cast<std::size_t>(family == 1 ? 64 : 100)) {
  Clear();
}

int EventRing::RecordTypeNumber(RecordKind kind) const {
  switch (kind) {
    case RecordKind::Trip:
      return 1;
    case RecordKind::Start:
      return 2;
    case RecordKind::ThermalReset:
      return family_ == 3 ? 2 : 3;
  }
  return 0;
}

void EventRing::Clear() {
  for (Block& b : slots_) b.fill(0);
  count_ = 0;
  selected_ = 0;
}

bool EventRing::Select(int slot) {
  if (slot < 0 || slot >= Size()) return false;
  selected_ = slot;
  return true;
}

double EventRing::FieldValue(const SimField& f, const MeteringInputs& in,
                             const RelayMetering& metering) const {
  const int d = f.reg;
  const int lastChannel = (family_ == 1 && definitionFirmware_ >= 230) ? 1035 : 1051;
  if (d >= 1005 && d <= lastChannel && (d - 1005) % 2 == 0 && IsTemperatureUnits(f)) {
    return metering.Value({Quantity::RtdChannel, (d - 1005) / 2}, in);
  }
  QuantitySlot q = QuantityFromUnits(f, 0);
  if (q.quantity == Quantity::PhaseCurrent || q.quantity == Quantity::Voltage) {
    // Phase from the field's place among its neighbours: A, B, C in register order.
    int same = 0;
    for (const SimField& g : fields_) {
      if (g.reg >= d) break;
      QuantitySlot gq = QuantityFromUnits(g, 0);
      if (gq.quantity == q.quantity) ++same;
    }
    q.index = same % 3;
  }
  if (q.quantity != Quantity::None) return metering.Value(q, in);
  // Fields without a reading: the relay marks them unused.
  if ((family_ == 2 && d >= 990 && d <= 995) || (family_ == 1 && d > lastChannel)) return -1.0;
  return 0.0;
}

EventRing::Block EventRing::MakeRecord(std::uint32_t number, RecordKind kind, int cause,
                                       const RelayTime& at, const MeteringInputs& in,
                                       const RelayMetering& metering) const {
  Block b{};
  for (const SimField& f : fields_) {
    const int i = f.reg - kFirst;
    if (i < 0 || i >= kWords) continue;
    const bool two = i + 1 < kWords;
    switch (f.typeCode) {
      case 26:
      case 80:
        b[i] = static_cast<std::uint16_t>(RecordTypeNumber(kind));
        break;
      case 27:
      case 79:
        b[i] = static_cast<std::uint16_t>(cause);
        break;
      case 3:
        b[i] = static_cast<std::uint16_t>(number & 0xFFFF);
        break;
      case 23:  // date: year in the high word, month and day in the low word
        b[i] = static_cast<std::uint16_t>((at.month << 8) | at.day);
        if (two) b[i + 1] = static_cast<std::uint16_t>(at.year);
        break;
      case 24: {
        RelayTime t = at;
        b[i] = ClockLowWord(t);
        if (two) b[i + 1] = ClockHighWord(t);
        break;
      }
      default:
        if (two) PutSingle(&b[i], static_cast<float>(FieldValue(f, in, metering)));
        break;
    }
  }
  b[980 - kFirst] = static_cast<std::uint16_t>(RecordTypeNumber(kind));
  return b;
}

void EventRing::Append(RecordKind kind, int cause, const RelayTime& at, const MeteringInputs& in,
                       const RelayMetering& metering) {
  const auto slot = static_cast<std::size_t>(count_ % slots_.size());
  slots_[slot] = MakeRecord(count_, kind, cause, at, in, metering);
  if (count_ < 0xFFFFFFFFu) ++count_;
}

void EventRing::Seed(int count, const RelayTime& now, const MeteringInputs& base,
                     const RelayMetering& metering) {
  Clear();
  if (count <= 0) return;
  static constexpr int kMotorTrips[] = {2, 4, 6, 10, 24};
  static constexpr int kFeederTrips[] = {0, 4, 10, 16, 20};
  std::tm tm{};
  tm.tm_year = now.year - 1900;
  tm.tm_mon = now.month - 1;
  tm.tm_mday = now.day;
  tm.tm_hour = now.hour;
  tm.tm_min = now.minute;
  tm.tm_sec = now.second;
  const std::time_t nowSeconds = timegm(&tm);
  const auto size = static_cast<std::uint32_t>(slots_.size());
  const auto total = static_cast<std::uint32_t>(count);
  const std::uint32_t first = total > size ? total - size : 0;
  for (std::uint32_t n = first; n < total; ++n) {
    std::time_t when = nowSeconds - static_cast<std::time_t>(total - 1 - n) * 11820 - 600;
    std::tm w{};
    gmtime_r(&when, &w);
    RelayTime at{w.tm_year + 1900, w.tm_mon + 1, w.tm_mday, w.tm_hour, w.tm_min, w.tm_sec};
    MeteringInputs in = base;
    in.energised = true;
    in.starting = false;
    RecordKind kind;
    int cause;
    if (n % 7 == 6) {
      kind = RecordKind::ThermalReset;
      cause = 255;
      in.currentFactor = family_ == 3 ? 0.62 : 0.82;
    } else if (family_ == 3 || n % 3 == 2) {
      kind = RecordKind::Trip;
      cause = family_ == 3 ? kFeederTrips[n % 5] : kMotorTrips[n % 5];
      in.currentFactor = 1.25;
    } else {
      kind = RecordKind::Start;
      cause = 253;
      in.currentFactor = 5.8;
      in.starting = true;
    }
    slots_[n % size] = MakeRecord(n, kind, cause, at, in, metering);
  }
  count_ = total;
}

}  // namespace kvx::sim
