#pragma once
// Two setting files side by side: each file is read on its own (without its
// definition file) and the settings of the setpoint groups are matched by
// register number. The listing is a grid of eight columns that the window
// draws, the listing text saves and the printout prints.

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "setpoints/setting_store.h"

namespace kvx {

// One side of a comparison: what one file (or the relay) holds.
struct CompareSide {
  SettingTable table;
  std::string unitName;
  int firmware = 0;  // hundredths
};

struct CompareRead {
  bool opened = false;  // the file could be read as a data packet at all
  bool ok = false;      // and its rows could be read
  std::string error;    // why not, for a person
  CompareSide side;
};

// Reads a setpoint (.cds) or definition (.xml) file: its Unit and Firmware
// and the settings of every group that is no metering, temperature-sensor
// metering or event group (groups numbered below 999), DEFAULT as the value.
CompareRead ReadCompareFile(const std::filesystem::path& path);

// The same from loaded settings (the relay's, read into `store`).
CompareSide CompareSideFromStore(const SettingStore& store);

// Whether group kind `kind` takes part in a comparison.
bool ComparedGroupKind(const std::string& kind);

inline constexpr int kCompareColumns = 8;
using CompareGridRow = std::array<std::string, kCompareColumns>;

inline constexpr const char* kNoSetpointText = "  No Setpoint";

// Rows 0..2 are the fixed rows (unit, firmware, column header); a group
// heading row is preceded by an empty row; the grid has at least 4 rows.
struct CompareGrid {
  std::vector<CompareGridRow> rows;
  int differences = 0;  // settings listed
};

CompareGrid CompareSides(const CompareSide& left, const CompareSide& right);

// A grid cell drawn in bold: a group heading in column 1 or 5 below the
// fixed rows (headings start without a blank; settings and "No Setpoint" with).
bool CompareCellBold(int row, int column, const std::string& text);

// The saved listing, CR LF lines, one byte per character: the brand line,
// the two file names, then every grid row with columns 1..7 each followed
// by " \t" (an empty cell as "  \t").
std::string CompareListingText(const std::string& leftName, const std::string& rightName,
                               const CompareGrid& grid);

}  // namespace kvx
