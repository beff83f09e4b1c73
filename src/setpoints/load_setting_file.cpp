#include "setpoints/load_setting_file.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "setpoints/data_packet_file.h"
#include "setpoints/number_text.h"
#include "setpoints/setting_columns.h"
#include "setpoints/text_encoding.h"

namespace kvx {
namespace {

// Column positions of one packet; ACCESS may be missing (-1).
using Columns = SettingColumns;

const Cell& At(const DataPacket& p, std::size_t row, int column) {
  return p.rows[row][static_cast<std::size_t>(column)];
}

// The largest firmware number a relay can report (one register).
constexpr long long kMaxFirmware = 65535;
constexpr long long kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr long long kInt32Max = std::numeric_limits<std::int32_t>::max();

// A cell as the user can find it in the file: its text quoted, a number as
// written, a null as "(empty)".
std::string Shown(const Cell& c) {
  if (IsNull(c)) return "(empty)";
  if (const double* d = std::get_if<double>(&c)) return FormatShortest(*d);
  std::string text(Utf8Prefix(std::get<std::string>(c), 40));
  if (text.size() < std::get<std::string>(c).size()) text += "...";
  return "\"" + text + "\"";
}

// Row, column and value of a refused cell, then why (rows count from 1).
std::string Refusal(const DataPacket& p, std::size_t row, int column, const std::string& why) {
  return "row " + std::to_string(row + 1) + ", column " +
         p.fields[static_cast<std::size_t>(column)].name + ", value " + Shown(At(p, row, column)) +
         ": " + why;
}

// A whole number that CellAsInteger refused only for its size.
bool BeyondInt32(const Cell& c) {
  if (const double* d = std::get_if<double>(&c)) return std::trunc(*d) == *d;
  const std::string* text = std::get_if<std::string>(&c);
  if (!text) return false;
  std::string_view t = *text;
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) t.remove_prefix(1);
  return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos;
}

// A whole number in lo..hi; a fraction is never rounded, since rounding
// would move a value onto another register, group or type.
bool Integer(const DataPacket& p, std::size_t row, int column, long long lo, long long hi,
             long long& out, std::string& error) {
  const auto v = CellAsInteger(At(p, row, column));
  if (!v) {
    error = Refusal(p, row, column,
                    BeyondInt32(At(p, row, column))
                        ? "outside " + std::to_string(lo) + ".." + std::to_string(hi)
                        : std::string("not a whole number"));
    return false;
  }
  if (*v < lo || *v > hi) {
    error = Refusal(p, row, column, "outside " + std::to_string(lo) + ".." + std::to_string(hi));
    return false;
  }
  out = *v;
  return true;
}

bool Int32(const DataPacket& p, std::size_t row, int column, long long& out, std::string& error) {
  return Integer(p, row, column, kInt32Min, kInt32Max, out, error);
}

bool Register(const DataPacket& p, std::size_t row, int column, int& out, std::string& error) {
  long long r = 0;
  if (!Integer(p, row, column, 0, kSettingCount - 1, r, error)) return false;
  out = static_cast<int>(r);
  return true;
}

// One row per register: a second row would silently replace the first
// one's setting. Rows without a REGISTER (identity and group rows) are not
// settings and do not count.
class RegisterOnce {
 public:
  bool Take(const DataPacket& p, std::size_t row, int column, int reg, std::string& error) {
    if (IsNull(At(p, row, column))) return true;
    std::size_t& first = firstRow_[static_cast<std::size_t>(reg)];
    if (first != kNone) {
      error = Refusal(p, row, column,
                      "register " + std::to_string(reg) + " already appears in row " +
                          std::to_string(first + 1));
      return false;
    }
    first = row;
    return true;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::array<std::size_t, kSettingCount> firstRow_ = [] {
    std::array<std::size_t, kSettingCount> a{};
    a.fill(kNone);
    return a;
  }();
};

bool ReadIdentity(const DataPacket& p, const Columns& c, std::string& unit, int& firmware,
                  std::string& error) {
  const auto fw = RowsWhere(p, c.cfgName, "Firmware");
  firmware = 0;
  if (!fw.empty()) {
    long long v = 0;
    if (!Integer(p, fw.front(), c.cfgValue, 0, kMaxFirmware, v, error)) {
      error = "the Firmware value: " + error;
      return false;
    }
    firmware = static_cast<int>(v);
  }
  const auto un = RowsWhere(p, c.cfgName, "Unit");
  unit = un.empty() ? std::string() : CellAsText(At(p, un.front(), c.cfgValue));
  return true;
}

// Rows in ascending order of a whole-number column read as numbers (so a
// text column orders 9 before 10), nulls first; ties keep file order.
bool RowsByNumber(const DataPacket& d, const std::vector<std::size_t>& rows, int column,
                  long long lo, long long hi, std::vector<std::size_t>& out, std::string& error) {
  struct Key {
    long long value;
    bool present;
    std::size_t row;
  };
  std::vector<Key> keys;
  keys.reserve(rows.size());
  for (std::size_t row : rows) {
    long long v = 0;
    if (!Integer(d, row, column, lo, hi, v, error)) return false;
    keys.push_back({v, !IsNull(At(d, row, column)), row});
  }
  std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    return a.value != b.value ? a.value < b.value : (!a.present && b.present);
  });
  out.clear();
  for (const Key& k : keys) out.push_back(k.row);
  return true;
}

bool GroupPass(const DataPacket& d, const Columns& c, SettingStore& s, std::string& error) {
  std::vector<std::size_t> all(d.rows.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  std::vector<std::size_t> ordered;
  if (!RowsByNumber(d, all, c.gOrder, 0, kInt32Max, ordered, error)) return false;
  std::array<std::size_t, 999> groupRow{};
  groupRow.fill(static_cast<std::size_t>(-1));
  for (std::size_t row : ordered) {
    const long long n = *CellAsInteger(At(d, row, c.gOrder));
    if (n >= 999) break;  // 999 and above are never filled from a file
    // Two group rows with one number: the later would silently drop a group.
    if (!IsNull(At(d, row, c.gOrder))) {
      std::size_t& first = groupRow[static_cast<std::size_t>(n)];
      if (first != static_cast<std::size_t>(-1)) {
        error = Refusal(
            d, row, c.gOrder,
            "group " + std::to_string(n) + " already appears in row " + std::to_string(first + 1));
        return false;
      }
      first = row;
    }
    SettingGroup& g = s.groups[static_cast<int>(n)];
    g.name = CellAsText(At(d, row, c.main));
    g.kind = CellAsText(At(d, row, c.mainType));
  }
  for (SettingGroup& g : s.groups) {
    if (g.name.empty()) continue;
    std::vector<std::size_t> rows;
    if (!RowsByNumber(d, RowsWhere(d, c.group, g.name), c.sOrder, kInt32Min, kInt32Max, rows,
                      error))
      return false;
    if (rows.size() > static_cast<std::size_t>(kGroupSlots - 1)) {
      error = "group \"" + g.name + "\" has more than 49 settings";
      return false;
    }
    std::size_t slot = 0;
    if (rows.empty()) g.registers[slot++] = 0;  // an empty group still lists register 0
    for (std::size_t row : rows) {
      int r = 0;
      if (!Register(d, row, c.reg, r, error)) return false;
      g.registers[slot++] = r;
    }
    g.registers[slot] = kGroupEndMarker;
  }
  return true;
}

bool DefinitionPass(const DataPacket& d, const Columns& c, SettingStore& s,
                    const SettingProgress& progress, std::string& error) {
  RegisterOnce once;
  for (std::size_t row : RowsOrderedBy(d, c.reg)) {
    int r = 0;
    long long order = 0, type = 0, access = 0;
    if (!Register(d, row, c.reg, r, error) || !once.Take(d, row, c.reg, r, error) ||
        !Int32(d, row, c.sOrder, order, error) || !Int32(d, row, c.type, type, error) ||
        (c.access >= 0 && !Int32(d, row, c.access, access, error)))
      return false;
    const auto min = CellAsNumber(At(d, row, c.min));
    const auto max = CellAsNumber(At(d, row, c.max));
    if (!min || !max) {
      error = Refusal(d, row, min ? c.max : c.min, "not a number");
      return false;
    }
    if (progress) progress("Loading Default Settings", r);
    SettingRecord& e = s.settings[r];
    e.group = CellAsText(At(d, row, c.group));
    e.setting = CellAsText(At(d, row, c.setting));
    e.order = static_cast<std::int32_t>(order);
    e.typeCode = static_cast<std::int32_t>(type);
    e.minText = FormatGeneral(*min);
    e.maxText = FormatGeneral(*max);
    e.units = CellAsText(At(d, row, c.units));
    e.comment = CellAsText(At(d, row, c.comments));
    e.value = CellAsText(At(d, row, c.def));
    e.access = static_cast<std::int32_t>(access);
    e.readValue = e.value;
    e.readComment = e.comment;
  }
  return true;
}

bool ValuePass(const DataPacket& f, const Columns& c, SettingStore& s,
               const SettingProgress& progress, std::string& error) {
  RegisterOnce once;
  for (std::size_t row : RowsOrderedBy(f, c.reg)) {
    int r = 0;
    if (!Register(f, row, c.reg, r, error) || !once.Take(f, row, c.reg, r, error)) return false;
    if (progress) progress("Loading Settings", r);
    SettingRecord& e = s.settings[r];
    e.value = CellAsText(At(f, row, c.def));
    e.comment = CellAsText(At(f, row, c.comments));
    e.readValue = e.value;
    e.readComment = e.comment;
  }
  return true;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

std::filesystem::path DefinitionFilePath(const std::filesystem::path& defaultsFolder,
                                         const UnitModel& model, int firmware) {
  return defaultsFolder / (std::string(model.filePrefix) + std::to_string(firmware) + ".xml");
}

SettingFileIdentity ReadSettingFileIdentity(const std::filesystem::path& path) {
  SettingFileIdentity id;
  const PacketResult f = ReadPacketFile(path);
  if (!f.ok) {
    id.error = f.error;
    return id;
  }
  Columns c{};
  if (!FindSettingColumns(f.packet, c, id.error)) return id;
  id.ok = ReadIdentity(f.packet, c, id.unitName, id.firmware, id.error);
  return id;
}

LoadResult LoadSettingFile(SettingStore& store, const std::filesystem::path& path,
                           const std::filesystem::path& defaultsFolder,
                           const SettingProgress& progress) {
  const PacketResult f = ReadPacketFile(path);
  if (!f.ok) return {false, f.error};
  Columns fc{};
  std::string error;
  if (!FindSettingColumns(f.packet, fc, error)) return {false, error};

  // Built aside and moved in only when complete.
  auto fresh = std::make_unique<SettingStore>();
  if (!ReadIdentity(f.packet, fc, fresh->unitName, fresh->definitionFirmware, error))
    return {false, error};
  const auto model = FindUnitModelByName(fresh->unitName);
  if (!model) return {false, "unknown unit \"" + fresh->unitName + "\""};
  fresh->family = model->family;

  const std::filesystem::path definitionPath =
      DefinitionFilePath(defaultsFolder, *model, fresh->definitionFirmware);
  PacketResult definitionRead;
  const bool self = SameFile(path, definitionPath);
  if (!self) {
    definitionRead = ReadPacketFile(definitionPath);
    if (!definitionRead.ok)
      return {false, "definition file " + definitionPath.string() + ": " + definitionRead.error};
  }
  const DataPacket& d = self ? f.packet : definitionRead.packet;
  Columns dc{};
  if (!FindSettingColumns(d, dc, error)) return {false, "definition file: " + error};

  if (!GroupPass(d, dc, *fresh, error) || !DefinitionPass(d, dc, *fresh, progress, error))
    return {false, (self ? "" : "definition file: ") + error};
  if (!ValuePass(f.packet, fc, *fresh, progress, error)) return {false, error};
  store = std::move(*fresh);
  return {true, {}};
}

}  // namespace kvx
