#pragma once
// Row skeletons of the metering, temperature and event grids, built from the
// first group of kind "metering", "meter rtd" and "events". Row 0 of each
// grid (the header) is not part of these lists: element 0 here is grid row 1.

#include <array>
#include <string>
#include <vector>

#include "setpoints/setting_store.h"

namespace kvx {

// Columns: 0 register (decimal, empty on a heading row), 1 name, 2 value,
// 3 units, 4 row state.
using GridRow = std::array<std::string, 5>;

struct MeteringRows {
  std::vector<GridRow> meter;  // heading, one row per register, one empty row
  std::vector<GridRow> rtd;    // heading, one row per register
};

MeteringRows BuildMeteringRows(const SettingStore& store);
std::vector<GridRow> BuildEventRows(const SettingStore& store);

// The first group number (0..1000) of `kind`, or -1.
int FirstGroupOfKind(const SettingStore& store, const std::string& kind);

}  // namespace kvx
