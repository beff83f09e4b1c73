#include "setpoints/grid_rows.h"

namespace kvx {
namespace {

// With no group of the kind the grid keeps one empty row below its header.
std::vector<GridRow> RowsOf(const SettingStore& store, const std::string& kind) {
  std::vector<GridRow> rows(1);
  const int n = FirstGroupOfKind(store, kind);
  if (n < 0) return rows;
  const SettingGroup& g = store.groups[n];
  rows[0][1] = g.name;
  for (int r : g.RegisterList()) {
    if (r < 0 || r >= kSettingCount) continue;  // the loader never lets one in
    GridRow row;
    row[0] = std::to_string(r);
    row[1] = "   " + store.settings[r].setting;
    row[3] = store.settings[r].units;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

int FirstGroupOfKind(const SettingStore& store, const std::string& kind) {
  for (int n = 0; n < kGroupCount; ++n) {
    if (!store.groups[n].name.empty() && store.groups[n].kind == kind) return n;
  }
  return -1;
}

MeteringRows BuildMeteringRows(const SettingStore& store) {
  MeteringRows rows;
  rows.meter = RowsOf(store, "metering");
  rows.meter.emplace_back();
  rows.rtd = RowsOf(store, "meter rtd");
  return rows;
}

std::vector<GridRow> BuildEventRows(const SettingStore& store) {
  return RowsOf(store, "events");
}

}  // namespace kvx
