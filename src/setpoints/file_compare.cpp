#include "setpoints/file_compare.h"

#include <algorithm>
#include <array>

#include "setpoints/data_packet_file.h"
#include "setpoints/format_value.h"
#include "setpoints/number_text.h"
#include "setpoints/setting_columns.h"
#include "setpoints/text_encoding.h"

namespace kvx {
namespace {

constexpr const char* kEol = "\r\n";

using Columns = SettingColumns;

const Cell& At(const DataPacket& p, std::size_t row, int column) {
  return p.rows[row][static_cast<std::size_t>(column)];
}

std::string RowError(std::size_t row, const char* column, const std::string& why) {
  return "row " + std::to_string(row + 1) + ", column " + column + ": " + why;
}

std::string Trimmed(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t b = 0, e = text.size();
  while (b < e && blank(text[b])) ++b;
  while (e > b && blank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

bool ReadRows(const DataPacket& d, const Columns& c, CompareSide& side, std::string& error) {
  // Groups in ascending G_ORDER up to the first number of 999 or more.
  struct Keyed {
    long long order;
    std::size_t row;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(d.rows.size());
  for (std::size_t row = 0; row < d.rows.size(); ++row) {
    const auto n = CellAsInteger(At(d, row, c.gOrder));
    if (!n) {
      error = RowError(row, "G_ORDER", "not a whole number");
      return false;
    }
    keyed.push_back({*n, row});
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const Keyed& a, const Keyed& b) { return a.order < b.order; });
  std::vector<std::string> names;
  for (const Keyed& k : keyed) {
    if (k.order >= 999) break;
    if (!ComparedGroupKind(CellAsText(At(d, k.row, c.mainType)))) continue;
    names.push_back(CellAsText(At(d, k.row, c.main)));
  }

  std::array<bool, kSettingCount> taken{};
  std::vector<std::string> done;
  for (const std::string& name : names) {
    if (name.empty() || std::find(done.begin(), done.end(), name) != done.end()) continue;
    done.push_back(name);
    for (std::size_t row : RowsWhere(d, c.group, name)) {
      const auto r = CellAsInteger(At(d, row, c.reg));
      if (!r || *r < 0 || *r >= kSettingCount) {
        error = RowError(row, "REGISTER", "not a register number 0..1500");
        return false;
      }
      // A second row for one register would silently replace the first.
      if (taken[static_cast<std::size_t>(*r)]) {
        error = RowError(row, "REGISTER", "register " + std::to_string(*r) + " appears twice");
        return false;
      }
      taken[static_cast<std::size_t>(*r)] = true;
      const auto order = CellAsInteger(At(d, row, c.sOrder));
      const auto type = CellAsInteger(At(d, row, c.type));
      const auto min = CellAsNumber(At(d, row, c.min));
      const auto max = CellAsNumber(At(d, row, c.max));
      if (!order || !type || !min || !max) {
        error = RowError(row,
                         !order  ? "S_ORDER"
                         : !type ? "TYPE"
                         : !min  ? "MIN"
                                 : "MAX",
                         "not a number");
        return false;
      }
      SettingRecord& e = side.table[static_cast<int>(*r)];
      e.group = CellAsText(At(d, row, c.group));
      e.setting = CellAsText(At(d, row, c.setting));
      e.order = static_cast<std::int32_t>(*order);
      e.typeCode = static_cast<std::int32_t>(*type);
      e.minText = FormatGeneral(*min);
      e.maxText = FormatGeneral(*max);
      e.units = CellAsText(At(d, row, c.units));
      e.comment = CellAsText(At(d, row, c.comments));
      e.value = CellAsText(At(d, row, c.def));
    }
  }
  return true;
}

// Left or right cells of a difference row (columns 1..3 or 5..7).
void FillSide(CompareGridRow& row, int first, const SettingRecord& s, const std::string& group,
              const std::string& value) {
  const auto at = [&](int c) -> std::string& { return row[static_cast<std::size_t>(c)]; };
  if (group.empty()) {
    at(first) = kNoSetpointText;
    return;
  }
  at(first) = "   " + Trimmed(s.setting);
  at(first + 1) = value;
  at(first + 2) = s.units;
}

}  // namespace

bool ComparedGroupKind(const std::string& kind) {
  return kind != "metering" && kind != "meter rtd" && kind != "events";
}

CompareRead ReadCompareFile(const std::filesystem::path& path) {
  CompareRead result;
  const PacketResult f = ReadPacketFile(path);
  if (!f.ok) {
    result.error = f.error;
    return result;
  }
  result.opened = true;
  Columns c{};
  if (!FindSettingColumns(f.packet, c, result.error)) return result;
  const DataPacket& d = f.packet;
  const auto fw = RowsWhere(d, c.cfgName, "Firmware");
  if (!fw.empty()) {
    const auto v = CellAsInteger(At(d, fw.front(), c.cfgValue));
    if (!v || *v < 0 || *v > 65535) {
      result.error = "the Firmware value is not a firmware number";
      return result;
    }
    result.side.firmware = static_cast<int>(*v);
  }
  const auto unit = RowsWhere(d, c.cfgName, "Unit");
  if (!unit.empty()) result.side.unitName = CellAsText(At(d, unit.front(), c.cfgValue));
  result.ok = ReadRows(d, c, result.side, result.error);
  return result;
}

CompareSide CompareSideFromStore(const SettingStore& store) {
  CompareSide side;
  side.unitName = store.unitName;
  side.firmware = store.definitionFirmware;
  for (int g = 0; g < 999; ++g) {
    const SettingGroup& group = store.groups[g];
    if (group.name.empty() || !ComparedGroupKind(group.kind)) continue;
    for (int x : group.RegisterList()) {
      if (x < 0 || x >= kSettingCount) continue;
      const SettingRecord& s = store.settings[x];
      if (s.group != group.name) continue;  // the placeholder of an empty group
      SettingRecord& e = side.table[x];
      e.group = s.group;
      e.setting = s.setting;
      e.order = s.order;
      e.typeCode = s.typeCode;
      e.minText = s.minText;
      e.maxText = s.maxText;
      e.units = s.units;
      e.comment = s.comment;
      e.value = s.value;
    }
  }
  return side;
}

CompareGrid CompareSides(const CompareSide& left, const CompareSide& right) {
  CompareGrid grid;
  grid.rows.resize(4);
  auto& r0 = grid.rows[0];
  r0[1] = "Unit Type:";
  r0[2] = left.unitName;
  r0[5] = "Unit Type:";
  r0[6] = right.unitName;
  auto& r1 = grid.rows[1];
  r1[1] = "Firmware Version:";
  r1[2] = FormatFirmware(left.firmware);
  r1[5] = "Firmware Version:";
  r1[6] = FormatFirmware(right.firmware);
  auto& r2 = grid.rows[2];
  r2[1] = r2[5] = "Parameters";
  r2[2] = r2[6] = "Value";
  r2[3] = r2[7] = "Units";

  std::size_t n = 2;
  std::string hL, hR;
  const auto rowAt = [&](std::size_t i) -> CompareGridRow& {
    if (grid.rows.size() <= i) grid.rows.resize(i + 1);
    return grid.rows[i];
  };
  for (int x = 0; x < kSettingCount; ++x) {
    const SettingRecord& L = left.table[x];
    const SettingRecord& R = right.table[x];
    const std::string gL = Trimmed(L.group), gR = Trimmed(R.group);
    const std::string sL = Trimmed(L.setting), sR = Trimmed(R.setting);
    const std::string uL = Trimmed(L.units), uR = Trimmed(R.units);
    const std::string vL = FormatValue(L.typeCode, L.value);
    const std::string vR = FormatValue(R.typeCode, R.value);
    if (gL == gR && sL == sR && vL == vR && uL == uR && L.typeCode == R.typeCode) continue;
    if ((gL != hL && !gL.empty()) || (gR != hR && !gR.empty())) {
      CompareGridRow& heading = rowAt(n + 1);
      heading[1] = gL;
      heading[5] = gR;
      n += 2;
      hL = L.group;
      hR = R.group;
    }
    CompareGridRow& row = rowAt(n);
    FillSide(row, 1, L, gL, vL);
    FillSide(row, 5, R, gR, vR);
    ++n;
    ++grid.differences;
  }
  if (n > 4) grid.rows.resize(n);
  return grid;
}

bool CompareCellBold(int row, int column, const std::string& text) {
  return row >= 3 && (column == 1 || column == 5) && !text.empty() && text.front() != ' ';
}

std::string CompareListingText(const std::string& leftName, const std::string& rightName,
                               const CompareGrid& grid) {
  std::string out = "Halvoren TRAXILON";
  out += kEol;
  out += leftName + " \t\t\t\t" + rightName + kEol;
  for (const CompareGridRow& row : grid.rows) {
    for (int c = 1; c < kCompareColumns; ++c) {
      const std::string& cell = row[static_cast<std::size_t>(c)];
      out += cell.empty() ? std::string("  \t") : cell + " \t";
    }
    out += kEol;
  }
  return Utf8ToLatin1(out);
}

}  // namespace kvx
