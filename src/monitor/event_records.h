#pragma once
// The relay's event records: which records a ring of a family retains, the
// ring slot and the ID the user sees for each, and the texts of a record's
// fields on screen and in the saved file. Pure functions over a record block
// already read; event_link.h reads them.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "setpoints/setting_store.h"

namespace kvx {

inline constexpr int kEventBlockFirst = 976;
inline constexpr int kEventBlockWords = 90;  // 976..1065
inline constexpr int kEventTypeRegister = 980;
using EventBlock = std::array<std::uint16_t, kEventBlockWords>;

// 64 records for family 1, 100 for the others.
int EventRingSize(int family);

// The records a relay that has written `count` records still holds: absolute
// numbers first..last, newest last. With no record first = last = 0.
struct EventRange {
  long long count = 0;
  long long first = 0;
  long long last = 0;
  bool Empty() const { return count <= 0; }
  long long Retained() const { return Empty() ? 0 : last - first + 1; }
};
EventRange RetainedEvents(long long count, int ringSize);

// The ring slot that holds absolute record `number`.
int EventSlot(long long number, int ringSize);

// Older firmware names a record by its ring slot, newer by its absolute
// number: family 1 below 2.26 and family 2 below 1.60 use the slot.
bool EventIdIsSlot(int family, int definitionFirmware);
long long EventRecordId(long long number, int family, int definitionFirmware);

// The absolute record within `range` whose ID is `id`, if any.
std::optional<long long> EventNumberOfId(long long id, const EventRange& range, int family,
                                         int definitionFirmware);

// One field of the record block, as the "events" group of the definitions
// lists it, in grid order.
struct EventField {
  int reg = 0;
  int typeCode = 0;
  std::string name;
  std::string units;
};
std::vector<EventField> EventFields(const SettingStore& store);

// What the loaded definitions say about the relay's records.
struct EventLayout {
  int family = 0;
  int definitionFirmware = 0;
  std::vector<EventField> fields;
  int RingSize() const { return EventRingSize(family); }
};
EventLayout EventLayoutOf(const SettingStore& store);

// The value text of a field: one register as unsigned decimal for types 3,
// 26, 27 and 79, else the two registers (low word first) as an IEEE single
// in general form. Nothing for a field that does not lie inside the block.
std::optional<std::string> EventFieldValue(int typeCode, int reg,
                                           std::span<const std::uint16_t> block);

// The display text with the temperature sentinels replaced: on screen by
// family and firmware, in the saved file by the simpler rule.
enum class EventTextUse { Screen, File };
std::string EventSentinelText(const std::string& display, int reg, int family,
                              int definitionFirmware, EventTextUse use);

// Every field of a record as it is shown (or saved), in layout order. A
// field outside the block shows an empty text.
std::vector<std::string> EventRecordTexts(const EventLayout& layout,
                                          std::span<const std::uint16_t> block, EventTextUse use);

// Register 980 of the block reads 0 when the slot holds no record.
inline bool EventBlockEmpty(std::span<const std::uint16_t> block) {
  return block.size() > kEventTypeRegister - kEventBlockFirst &&
         block[kEventTypeRegister - kEventBlockFirst] == 0;
}

// The saved file: "Record" and the field names, tab separated, CR LF.
std::string EventFileHeader(const EventLayout& layout);
// One record line: its ring slot, then the field texts.
std::string EventFileLine(const EventLayout& layout, int slot,
                          std::span<const std::uint16_t> block);

}  // namespace kvx
