#include "monitor/event_records.h"

#include <bit>

#include "setpoints/format_value.h"
#include "setpoints/grid_rows.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

bool IsOneRegisterType(int typeCode) {
  return typeCode == 3 || typeCode == 26 || typeCode == 27 || typeCode == 79;
}

// Sensor faults the relay reports in a temperature field.
const char* ChannelSentinel(double v) {
  if (v == -100) return "Unused";
  if (v == -90) return "Open";
  if (v == -80) return "Short";
  if (v == -70) return "No Data";
  return nullptr;
}

enum class Rule { None, Channel, UnusedOnly };

Rule ScreenRule(int reg, int family, int firmware) {
  switch (family) {
    case 1: {
      const int lastChannel = firmware >= 230 ? 1035 : 1051;
      const int firstUnused = firmware >= 230 ? 1037 : 1052;
      if (reg >= 1005 && reg <= lastChannel) return Rule::Channel;
      if (reg >= firstUnused) return Rule::UnusedOnly;
      return Rule::None;
    }
    case 2:
      if (reg >= 990 && reg <= 995) return Rule::UnusedOnly;
      if (reg == 1000 || (reg >= 1005 && reg <= 1051)) return Rule::Channel;
      return Rule::None;
    case 3:
      if (reg == 996 || (reg >= 1005 && reg <= 1051)) return Rule::Channel;
      return Rule::None;
    default:
      return Rule::None;
  }
}

Rule FileRule(int reg, int family) {
  if (reg >= 1005 && reg <= 1051) return Rule::Channel;
  if (family == 2 && reg == 1000) return Rule::Channel;
  if (family == 3 && reg == 996) return Rule::Channel;
  return Rule::None;
}

}  // namespace

int EventRingSize(int family) {
  return family == 1 ? 64 : 100;
}

EventRange RetainedEvents(long long count, int ringSize) {
  EventRange r;
  if (count <= 0 || ringSize <= 0) return r;
  r.count = count;
  r.last = count - 1;
  r.first = count > ringSize ? count - ringSize : 0;
  return r;
}

int EventSlot(long long number, int ringSize) {
  if (ringSize <= 0 || number < 0) return 0;
  return static_cast<int>(number % ringSize);
}

bool EventIdIsSlot(int family, int definitionFirmware) {
  return (family == 1 && definitionFirmware < 226) || (family == 2 && definitionFirmware < 160);
}

long long EventRecordId(long long number, int family, int definitionFirmware) {
  return EventIdIsSlot(family, definitionFirmware) ? EventSlot(number, EventRingSize(family))
                                                   : number;
}

std::optional<long long> EventNumberOfId(long long id, const EventRange& range, int family,
                                         int definitionFirmware) {
  if (range.Empty()) return std::nullopt;
  if (!EventIdIsSlot(family, definitionFirmware)) {
    if (id < range.first || id > range.last) return std::nullopt;
    return id;
  }
  // A slot names at most one retained record: the ring holds ringSize of them.
  for (long long n = range.first; n <= range.last; ++n) {
    if (EventSlot(n, EventRingSize(family)) == id) return n;
  }
  return std::nullopt;
}

std::vector<EventField> EventFields(const SettingStore& store) {
  std::vector<EventField> fields;
  for (const GridRow& row : BuildEventRows(store)) {
    const auto reg = ParseInteger(row[0]);
    if (!reg || *reg < 0 || *reg >= kSettingCount) continue;  // a heading row
    const SettingRecord& s = store.settings[static_cast<int>(*reg)];
    fields.push_back({static_cast<int>(*reg), s.typeCode, s.setting, s.units});
  }
  return fields;
}

EventLayout EventLayoutOf(const SettingStore& store) {
  return {store.family, store.definitionFirmware, EventFields(store)};
}

std::optional<std::string> EventFieldValue(int typeCode, int reg,
                                           std::span<const std::uint16_t> block) {
  const long long i = static_cast<long long>(reg) - kEventBlockFirst;
  const auto size = static_cast<long long>(block.size());
  if (i < 0 || i >= size) return std::nullopt;
  const std::uint16_t low = block[static_cast<std::size_t>(i)];
  if (IsOneRegisterType(typeCode)) return std::to_string(low);
  if (i + 1 >= size) return std::nullopt;
  const std::uint32_t bits =
      low | (static_cast<std::uint32_t>(block[static_cast<std::size_t>(i + 1)]) << 16);
  return FormatGeneral(static_cast<double>(std::bit_cast<float>(bits)));
}

std::string EventSentinelText(const std::string& display, int reg, int family,
                              int definitionFirmware, EventTextUse use) {
  const Rule rule = use == EventTextUse::Screen ? ScreenRule(reg, family, definitionFirmware)
                                                : FileRule(reg, family);
  if (rule == Rule::None) return display;
  const auto v = ParseNumber(display);
  if (!v) return display;
  if (rule == Rule::UnusedOnly) return *v == -1 ? "Unused" : display;
  const char* text = ChannelSentinel(*v);
  return text ? text : display;
}

std::vector<std::string> EventRecordTexts(const EventLayout& layout,
                                          std::span<const std::uint16_t> block, EventTextUse use) {
  std::vector<std::string> texts;
  texts.reserve(layout.fields.size());
  for (const EventField& f : layout.fields) {
    const auto value = EventFieldValue(f.typeCode, f.reg, block);
    if (!value) {
      texts.emplace_back();
      continue;
    }
    texts.push_back(EventSentinelText(FormatValue(f.typeCode, *value), f.reg, layout.family,
                                      layout.definitionFirmware, use));
  }
  return texts;
}

std::string EventFileHeader(const EventLayout& layout) {
  std::string line = "Record";
  for (const EventField& f : layout.fields) {
    line += '\t';
    line += f.name;
  }
  line += "\r\n";
  return line;
}

std::string EventFileLine(const EventLayout& layout, int slot,
                          std::span<const std::uint16_t> block) {
  std::string line = std::to_string(slot);
  for (const std::string& text : EventRecordTexts(layout, block, EventTextUse::File)) {
    line += '\t';
    line += text;
  }
  line += "\r\n";
  return line;
}

}  // namespace kvx
