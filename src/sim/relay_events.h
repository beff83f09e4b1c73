#pragma once
// The relay's event ring: trip, start and thermal-reset records in a ring of
// fixed size (64 for family 1, else 100), presented one slot at a time in the
// 90-register block 976..1065 after the slot is written to the selector 975.

#include <array>
#include <cstdint>
#include <vector>

#include "sim/relay_clock.h"
#include "sim/relay_definition.h"
#include "sim/relay_metering.h"
#include "sim/relay_process.h"

namespace kvx::sim {

class EventRing {
 public:
  static constexpr int kFirst = 976;
  static constexpr int kWords = 90;
  using Block = std::array<std::uint16_t, kWords>;

  EventRing(int family, int definitionFirmware, const RelayDefinition& definition);

  // Replaces the ring by `count` records written before `now`, about three
  // hours apart, the newest last.
  void Seed(int count, const RelayTime& now, const MeteringInputs& base,
            const RelayMetering& metering);
  void Append(RecordKind kind, int cause, const RelayTime& at, const MeteringInputs& at_event,
              const RelayMetering& metering);
  void Clear();

  int Size() const { return static_cast<int>(slots_.size()); }
  std::uint32_t Count() const { return count_; }  // records written since the last clear
  int SelectedSlot() const { return selected_; }
  bool Select(int slot);  // false for a slot outside the ring
  const Block& SelectedBlock() const { return slots_[static_cast<std::size_t>(selected_)]; }
  const Block& SlotBlock(int slot) const { return slots_.at(static_cast<std::size_t>(slot)); }

  // Record-type number as the relay's list for this family has it.
  int RecordTypeNumber(RecordKind kind) const;
  const std::vector<SimField>& Fields() const { return fields_; }

 private:
  Block MakeRecord(std::uint32_t number, RecordKind kind, int cause, const RelayTime& at,
                   const MeteringInputs& in, const RelayMetering& metering) const;
  double FieldValue(const SimField& f, const MeteringInputs& in,
                    const RelayMetering& metering) const;

  int family_;
  int definitionFirmware_;
  std::vector<SimField> fields_;
  std::vector<Block> slots_;
  std::uint32_t count_ = 0;
  int selected_ = 0;
};

}  // namespace kvx::sim
