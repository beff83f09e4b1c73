#pragma once
// The Metering page as data: the rows of the meter grid and the temperature
// grid built from the loaded definitions, filled from each metering
// snapshot. The window draws these rows, `kvx-cli meter` prints them, and the
// data log takes its header names and values from them.
//
// A failed cycle changes no value: the rows keep the last good texts (the
// page shows them in red) and the fresh flag is cleared.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "monitor/poll_snapshots.h"
#include "setpoints/grid_rows.h"
#include "setpoints/setting_store.h"

namespace kvx {

// Column indexes of both grids.
namespace meter_col {
inline constexpr int kRegister = 0;
inline constexpr int kName = 1;
inline constexpr int kValue = 2;
inline constexpr int kUnits = 3;
inline constexpr int kRowState = 4;  // "1": an inactive temperature row
}  // namespace meter_col

// Header row of both grids.
inline constexpr const char* kMeterHeader[3] = {"Parameters", "Value", "Units"};

// The value text of metering register r from a snapshot: singles of the
// meter block and the totals ("0.00"), the 32-bit seconds counters and the
// energy doubles turned into hours ("0.00" / "0.0000"); "0" for any other
// register.
std::string MeteringValueText(int reg, const MeteringSnapshot& snapshot);

// The single whose low word is words[0] and high word words[1].
float SingleOfWords(std::uint16_t low, std::uint16_t high);

class MeteringModel {
 public:
  MeteringModel() = default;
  // Rows from the loaded definitions (the skeleton built at connect), with
  // the names, type codes and last value texts of the registers they show.
  MeteringModel(const MeteringRows& skeleton, const SettingStore& store);

  // One snapshot from the poll.
  void Apply(const MeteringSnapshot& snapshot);

  // Grid rows below the header (element 0 is grid row 1, the group heading).
  const std::vector<GridRow>& MeterRows() const { return meter_; }
  const std::vector<GridRow>& RtdRows() const { return rtd_; }
  // The last cycle failed: the texts are the previous ones (shown red).
  bool Failed() const { return failed_; }
  bool Updated() const { return updated_; }  // at least one good cycle shown
  // Set by every good update, cleared by a failed one; the data log takes it.
  bool Fresh() const { return fresh_; }
  bool TakeFresh() {
    const bool f = fresh_;
    fresh_ = false;
    return f;
  }
  // The current value text of a metering register (empty when unknown).
  std::string ValueText(int reg) const;
  // The setting name of a register the grids show, without any indent (empty
  // when unknown), whether or not its row is active.
  std::string SettingName(int reg) const;

  // A shown row of either grid: what the page displays in its name and value
  // columns, and the units. Inactive temperature rows and headings are left
  // out; per-unit rows have register -1.
  struct ShownRow {
    int reg = -1;
    std::string name;  // without the indent
    std::string value;
    std::string units;
  };
  std::vector<ShownRow> ShownRows() const;

 private:
  struct RegisterInfo {
    int typeCode = 0;
    std::string name;
  };
  void ApplyMeter(const MeteringSnapshot& s);
  void ApplyRtd(const MeteringSnapshot& s);
  void WritePerUnitRows(std::size_t from, const MeteringSnapshot& s);
  const RegisterInfo* Info(int reg) const;

  std::vector<GridRow> meter_;
  std::vector<GridRow> rtd_;
  std::map<int, RegisterInfo> info_;
  std::map<int, std::string> values_;  // current value texts
  int family_ = 0;
  int definitionFirmware_ = 0;
  bool failed_ = false;
  bool updated_ = false;
  bool fresh_ = false;
};

}  // namespace kvx
