#pragma once
// The setting model built from a definition file: 1501 settings indexed by
// register, 1001 groups indexed by group number, and the identity of the
// loaded definitions.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kvx {

inline constexpr int kSettingCount = 1501;  // registers 0..1500
inline constexpr int kGroupCount = 1001;    // group numbers 0..1000
inline constexpr int kGroupSlots = 50;      // 49 registers + the end marker
inline constexpr int kGroupEndMarker = 9999;
inline constexpr int kSetpointGroupLimit = 100;  // groups 0..99 are the setpoint groups

struct SettingRecord {
  std::string group;
  std::string setting;  // empty: no setting at this register
  std::int32_t order = 0;
  std::int32_t typeCode = 0;
  std::string minText = "0";
  std::string maxText = "0";
  std::string value;
  std::string readValue;
  std::string readComment;
  std::string units;
  std::int32_t access = 0;
  std::string comment;
  std::int32_t changed = 0;
};

// Fixed-size tables: every entry always exists. at() is bounds-checked.
template <class T, int N>
class FixedTable {
 public:
  FixedTable() : entries_(N) {}
  static constexpr int size() { return N; }
  T& operator[](int i) { return entries_[static_cast<std::size_t>(i)]; }
  const T& operator[](int i) const { return entries_[static_cast<std::size_t>(i)]; }
  T& at(int i) { return entries_.at(static_cast<std::size_t>(i)); }
  const T& at(int i) const { return entries_.at(static_cast<std::size_t>(i)); }
  auto begin() { return entries_.begin(); }
  auto end() { return entries_.end(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  std::vector<T> entries_;
};

using SettingTable = FixedTable<SettingRecord, kSettingCount>;

struct SettingGroup {
  // Register numbers in ascending order, then kGroupEndMarker.
  std::array<std::int32_t, kGroupSlots> registers{};
  std::string name;  // empty: no group at this number
  std::string kind;

  SettingGroup() {
    registers.fill(0);
    registers[0] = kGroupEndMarker;
  }

  // The registers before the end marker.
  std::vector<int> RegisterList() const;
};

using GroupTable = FixedTable<SettingGroup, kGroupCount>;

struct SettingStore {
  SettingTable settings;
  GroupTable groups;
  std::string unitName;
  std::int32_t family = 0;
  std::int32_t definitionFirmware = 0;
};

}  // namespace kvx
