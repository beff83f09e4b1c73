#include "monitor/metering_log_row.h"

#include <charconv>

namespace kvx {

namespace {

std::optional<int> RegisterCell(const GridRow& row) {
  const std::string& text = row[meter_col::kRegister];
  int reg = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), reg);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return reg;
}

}  // namespace

DataLogRow MeteringLogRow(const MeteringModel& metering) {
  DataLogRow row;
  const auto add = [&](const std::vector<GridRow>& rows, bool temperature) {
    for (const GridRow& r : rows) {
      const std::optional<int> reg = RegisterCell(r);
      if (!reg) continue;  // headings, per-unit rows and the empty row
      row.names.push_back(metering.SettingName(*reg));
      const bool inactive = temperature && r[meter_col::kRowState] == "1";
      row.values.push_back(inactive ? std::string() : r[meter_col::kValue]);
    }
  };
  add(metering.MeterRows(), false);
  add(metering.RtdRows(), true);
  return row;
}

}  // namespace kvx
