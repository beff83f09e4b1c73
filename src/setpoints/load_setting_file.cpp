#include "setpoints/load_setting_file.h"

#include <algorithm>
#include <memory>

#include "setpoints/data_packet_file.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

// Column positions of one packet; ACCESS may be missing (-1).
struct Columns {
  int cfgName, cfgValue, gOrder, main, mainType, group, reg, setting, sOrder, type, min, max, def,
      access, units, comments;
};

bool FindColumns(const DataPacket& p, Columns& c, std::string& error) {
  struct Want {
    const char* name;
    int* index;
  };
  const Want wanted[] = {{"CFG_NAME", &c.cfgName},  {"CFG_VALUE", &c.cfgValue},
                         {"G_ORDER", &c.gOrder},    {"MAIN", &c.main},
                         {"MAINTYPE", &c.mainType}, {"GROUP", &c.group},
                         {"REGISTER", &c.reg},      {"SETTING", &c.setting},
                         {"S_ORDER", &c.sOrder},    {"TYPE", &c.type},
                         {"MIN", &c.min},           {"MAX", &c.max},
                         {"DEFAULT", &c.def},       {"UNITS", &c.units},
                         {"COMMENTS", &c.comments}};
  for (const Want& w : wanted) {
    *w.index = p.FieldIndex(w.name);
    if (*w.index < 0) {
      error = std::string("missing column ") + w.name;
      return false;
    }
  }
  c.access = p.FieldIndex("ACCESS");
  return true;
}

const Cell& At(const DataPacket& p, std::size_t row, int column) {
  return p.rows[row][static_cast<std::size_t>(column)];
}

bool Integer(const DataPacket& p, std::size_t row, int column, const char* name, long long& out,
             std::string& error) {
  const auto v = CellAsInteger(At(p, row, column));
  if (!v) {
    error = "row " + std::to_string(row + 1) + ": " + name + " is not a whole number";
    return false;
  }
  out = *v;
  return true;
}

bool Register(const DataPacket& p, std::size_t row, int column, int& out, std::string& error) {
  long long r = 0;
  if (!Integer(p, row, column, "REGISTER", r, error)) return false;
  if (r < 0 || r >= kSettingCount) {
    error = "row " + std::to_string(row + 1) + ": register " + std::to_string(r) +
            " is outside 0..1500";
    return false;
  }
  out = static_cast<int>(r);
  return true;
}

bool ReadIdentity(const DataPacket& p, const Columns& c, std::string& unit, int& firmware,
                  std::string& error) {
  const auto fw = RowsWhere(p, c.cfgName, "Firmware");
  firmware = 0;
  if (!fw.empty()) {
    long long v = 0;
    if (!Integer(p, fw.front(), c.cfgValue, "the Firmware value", v, error)) return false;
    firmware = static_cast<int>(v);
  }
  const auto un = RowsWhere(p, c.cfgName, "Unit");
  unit = un.empty() ? std::string() : CellAsText(At(p, un.front(), c.cfgValue));
  return true;
}

bool GroupPass(const DataPacket& d, const Columns& c, SettingStore& s, std::string& error) {
  for (std::size_t row : RowsOrderedBy(d, c.gOrder)) {
    long long n = 0;
    if (!Integer(d, row, c.gOrder, "G_ORDER", n, error)) return false;
    if (n >= 999) break;  // 999 and above are never filled from a file
    if (n < 0) {
      error = "row " + std::to_string(row + 1) + ": group number " + std::to_string(n) +
              " is outside 0..998";
      return false;
    }
    SettingGroup& g = s.groups[static_cast<int>(n)];
    g.name = CellAsText(At(d, row, c.main));
    g.kind = CellAsText(At(d, row, c.mainType));
  }
  const auto sOrderField = static_cast<std::size_t>(c.sOrder);
  for (SettingGroup& g : s.groups) {
    if (g.name.empty()) continue;
    std::vector<std::size_t> rows = RowsWhere(d, c.group, g.name);
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
      return d.rows[a][sOrderField] < d.rows[b][sOrderField];
    });
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
  for (std::size_t row : RowsOrderedBy(d, c.reg)) {
    int r = 0;
    long long order = 0, type = 0, access = 0;
    if (!Register(d, row, c.reg, r, error) || !Integer(d, row, c.sOrder, "S_ORDER", order, error) ||
        !Integer(d, row, c.type, "TYPE", type, error) ||
        (c.access >= 0 && !Integer(d, row, c.access, "ACCESS", access, error)))
      return false;
    const auto min = CellAsNumber(At(d, row, c.min));
    const auto max = CellAsNumber(At(d, row, c.max));
    if (!min || !max) {
      error = "row " + std::to_string(row + 1) + ": MIN or MAX is not a number";
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
  for (std::size_t row : RowsOrderedBy(f, c.reg)) {
    int r = 0;
    if (!Register(f, row, c.reg, r, error)) return false;
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
  if (!FindColumns(f.packet, c, id.error)) return id;
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
  if (!FindColumns(f.packet, fc, error)) return {false, error};

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
  if (!FindColumns(d, dc, error)) return {false, "definition file: " + error};

  if (!GroupPass(d, dc, *fresh, error) || !DefinitionPass(d, dc, *fresh, progress, error))
    return {false, (self ? "" : "definition file: ") + error};
  if (!ValuePass(f.packet, fc, *fresh, progress, error)) return {false, error};
  store = std::move(*fresh);
  return {true, {}};
}

}  // namespace kvx
