#include "sim/definition_loader.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

namespace kvx::sim {
namespace {

// Interim reader of the XML data packet form; it reads every column by name
// from every row, a missing attribute being null (0 or empty).
double Number(const pugi::xml_node& row, const char* column) {
  const char* text = row.attribute(column).value();
  double v = 0;
  const char* end = text + std::char_traits<char>::length(text);
  std::from_chars(text, end, v);
  return v;
}

int Integer(const pugi::xml_node& row, const char* column) {
  return static_cast<int>(std::lround(Number(row, column)));
}

std::string Text(const pugi::xml_node& row, const char* column) {
  return row.attribute(column).value();
}

}  // namespace

std::optional<RelayDefinition> LoadRelayDefinition(const std::filesystem::path& file,
                                                   std::string& error) {
  pugi::xml_document doc;
  pugi::xml_parse_result parsed = doc.load_file(file.c_str());
  if (!parsed) {
    error = parsed.description();
    return std::nullopt;
  }
  pugi::xml_node rows = doc.child("DATAPACKET").child("ROWDATA");
  if (!rows) {
    error = "not a data packet";
    return std::nullopt;
  }
  RelayDefinition def;
  def.sourceFile = file.string();
  struct Row {
    int reg, order;
    SimSetting setting;
    std::string group;
  };
  std::vector<Row> settingRows;
  std::map<int, std::pair<std::string, std::string>> groups;  // G_ORDER -> MAIN, MAINTYPE
  for (pugi::xml_node row : rows.children("ROW")) {
    const std::string cfg = Text(row, "CFG_NAME");
    if (cfg == "Firmware") def.definitionFirmware = Integer(row, "CFG_VALUE");
    if (row.attribute("MAIN")) {
      int g = Integer(row, "G_ORDER");
      if (g >= 0 && g < 999) groups[g] = {Text(row, "MAIN"), Text(row, "MAINTYPE")};
    }
    if (row.attribute("SETTING") || row.attribute("REGISTER")) {
      Row r;
      r.reg = Integer(row, "REGISTER");
      r.order = Integer(row, "S_ORDER");
      r.group = Text(row, "GROUP");
      r.setting.reg = r.reg;
      r.setting.typeCode = Integer(row, "TYPE");
      r.setting.min = Number(row, "MIN");
      r.setting.max = Number(row, "MAX");
      r.setting.access = Integer(row, "ACCESS");
      r.setting.defaultText = Text(row, "DEFAULT");
      r.setting.name = Text(row, "SETTING");
      r.setting.units = Text(row, "UNITS");
      if (r.setting.name.empty() || r.reg < 0 || r.reg > 1500) continue;
      settingRows.push_back(std::move(r));
    }
  }
  std::stable_sort(settingRows.begin(), settingRows.end(),
                   [](const Row& a, const Row& b) { return a.reg < b.reg; });
  for (const Row& r : settingRows) def.settings.push_back(r.setting);
  auto fieldsOf = [&](const char* kind) {
    std::vector<SimField> fields;
    for (const auto& [g, nameKind] : groups) {
      if (nameKind.second != kind) continue;
      std::vector<const Row*> members;
      for (const Row& r : settingRows) {
        if (r.group == nameKind.first) members.push_back(&r);
      }
      std::stable_sort(members.begin(), members.end(),
                       [](const Row* a, const Row* b) { return a->order < b->order; });
      for (const Row* r : members)
        fields.push_back({r->reg, r->setting.typeCode, r->setting.name, r->setting.units});
      break;  // the first group of the kind only
    }
    return fields;
  };
  def.meteringFields = fieldsOf("metering");
  def.rtdFields = fieldsOf("meter rtd");
  def.eventFields = fieldsOf("events");
  return def;
}

}  // namespace kvx::sim
