#include "reports/setpoint_report.h"

#include <algorithm>

#include "setpoints/format_value.h"
#include "setpoints/number_text.h"
#include "setpoints/text_encoding.h"

namespace kvx {
namespace {

constexpr const char* kEol = "\r\n";

void CollectNodes(const SetpointTreeNode& node, std::vector<ReportNode>& out) {
  if (node.groupNumber >= 0) out.push_back({node.groupNumber, node.state > 0});
  for (const SetpointTreeNode& child : node.children) CollectNodes(child, out);
}

bool ValidGroup(int g) {
  return g >= 0 && g < kGroupCount;
}

std::string DF1Network(int errorCheck) {
  return std::string("AB-DF1 ") + (errorCheck == 0 ? "CRC" : "BCC");
}

// One group block: its name and a space, then a line per setting.
int WriteBlock(const SettingStore& store, int group, std::string& out) {
  out += store.groups[group].name + " " + kEol;
  int lines = 0;
  for (int x : ReportRegisters(store, group)) {
    const SettingRecord& s = store.settings[x];
    out += "\t" + s.setting + " \t" + FormatValue(s.typeCode, s.value) + " \t" + s.units + " \t" +
           s.comment + kEol;
    ++lines;
  }
  return lines;
}

}  // namespace

ReportLink ReportLinkOf(const CommSettings& comm, const std::string& remoteHost) {
  ReportLink link;
  link.protocol = comm.protocol;
  link.unitAddress = comm.unitAddress;
  link.errorCheck = comm.errorCheck;
  link.baudText = comm.baudText;
  link.remoteHost = remoteHost;
  return link;
}

std::vector<ReportNode> ReportNodes(const SetpointTreeNode& tree) {
  std::vector<ReportNode> nodes;
  CollectNodes(tree, nodes);
  return nodes;
}

std::vector<int> ReportRegisters(const SettingStore& store, int group) {
  std::vector<int> out;
  if (!ValidGroup(group)) return out;
  const SettingGroup& g = store.groups[group];
  for (int x : g.RegisterList()) {
    if (x < 0 || x >= kSettingCount) continue;
    // An empty group lists register 0 only to close its list.
    if (store.settings[x].setting.empty() && store.settings[x].group != g.name) continue;
    out.push_back(x);
  }
  return out;
}

std::string BuildReportText(const SettingStore& store, const std::vector<ReportNode>& nodes,
                            const ReportHeader& header, ReportChoice choice) {
  std::string out;
  out += std::string(kBrandLine) + "\tSETPOINTS\t" + header.date + kEol;
  out += "Unit Type\t" + header.unitName + kEol;
  out += "Firmware Version\t" + FormatFirmware(header.definitionFirmware) + kEol;
  if (header.link) {
    const ReportLink& l = *header.link;
    const std::string address = std::to_string(l.unitAddress);
    switch (l.protocol) {
      case ProtocolKind::ModbusRtu:
      case ProtocolKind::Df1:
        out += std::string("Network Type\t") +
               (l.protocol == ProtocolKind::Df1 ? DF1Network(l.errorCheck) : "Modbus RTU") + kEol;
        out += "Connected ID (Network or Local)\t" + address + kEol;
        out += "Baud Rate\t" + l.baudText + kEol;
        break;
      case ProtocolKind::ModbusTcp:
        out += std::string("Network Type\tModbus TCP") + kEol;
        out += "IP Address\t" + l.remoteHost + kEol;
        out += "Network ID\t" + address + kEol;
        break;
    }
  }
  out += kEol;
  out += std::string("Section \tParameters \tValue \tUnits \tComments") + kEol;

  if (choice == ReportChoice::AllSettings) {
    for (const ReportNode& node : nodes) {
      if (ValidGroup(node.groupNumber) && !store.groups[node.groupNumber].name.empty())
        WriteBlock(store, node.groupNumber, out);
      out += kEol;
    }
  } else {
    for (const ReportNode& node : nodes) {
      if (node.ticked && ValidGroup(node.groupNumber) &&
          !store.groups[node.groupNumber].name.empty())
        WriteBlock(store, node.groupNumber, out);
    }
    out += kEol;
  }
  return Utf8ToLatin1(out);
}

int ReportSettingLines(const SettingStore& store, const std::vector<ReportNode>& nodes,
                       ReportChoice choice) {
  int lines = 0;
  for (const ReportNode& node : nodes) {
    if (choice == ReportChoice::DisplayedSettings && !node.ticked) continue;
    if (!ValidGroup(node.groupNumber) || store.groups[node.groupNumber].name.empty()) continue;
    lines += static_cast<int>(ReportRegisters(store, node.groupNumber).size());
  }
  return lines;
}

std::string CaptionFilePath(const std::string& caption) {
  const auto at = caption.find(": ");
  if (at == std::string::npos) return {};
  std::string path = caption.substr(at + 2);
  const auto blank = [](unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
  };
  while (!path.empty() && blank(static_cast<unsigned char>(path.back()))) path.pop_back();
  std::size_t start = 0;
  while (start < path.size() && blank(static_cast<unsigned char>(path[start]))) ++start;
  return path.substr(start);
}

int PrintLinesPerPage(int pageHeight, int lineHeight) {
  if (lineHeight <= 0) return 8;
  return std::max(8, (pageHeight - 400) / lineHeight);
}

PrintPlan BuildReportPrintPlan(const PrintHeader& header, const ReportGridRow& columnHeader,
                               const std::vector<ReportGridRow>& rows, int linesPerPage) {
  // Rows start on line 4 of a later page: a page must hold at least one.
  const int L = std::max(linesPerPage, 5);
  PrintPlan plan;
  plan.pages.emplace_back();
  auto put = [&](int line, int column, const std::string& text) {
    plan.pages.back().items.push_back({line, column, text});
  };
  auto putRow = [&](int line, const ReportGridRow& r) {
    put(line, 5, r.name);
    put(line, 40, r.value);
    put(line, 55, r.units);
    put(line, 65, r.comment);
  };

  put(2, 5, std::string(kBrandLine) + std::string(18, ' ') + "SETPOINTS");
  put(2, 90, header.date);
  int a = 4;
  if (!header.filePath.empty()) {
    put(4, 5, "Filename:");
    put(4, 40, header.filePath);
    a = 5;
  }
  put(a, 5, "Unit Type");
  put(a, 40, header.unitText);
  put(a + 1, 5, "Firmware Version");
  put(a + 1, 40, header.versionText);
  int t = a + 2;
  if (header.link) {
    const ReportLink& l = *header.link;
    const std::string address = std::to_string(l.unitAddress);
    put(t, 5, "Network Type");
    switch (l.protocol) {
      case ProtocolKind::ModbusRtu:
      case ProtocolKind::Df1:
        put(t, 40, l.protocol == ProtocolKind::Df1 ? DF1Network(l.errorCheck) : "Modbus RTU");
        put(t + 1, 5, "Connected ID (Network or Local)");
        put(t + 1, 40, address);
        put(t + 2, 5, "Baud Rate");
        put(t + 2, 40, l.baudText);
        break;
      case ProtocolKind::ModbusTcp:
        put(t, 40, "Modbus TCP");
        put(t + 1, 5, "IP Address");
        put(t + 1, 40, l.remoteHost);
        put(t + 2, 5, "Connected ID (Network or Local)");
        put(t + 2, 40, address);
        break;
    }
    t += 3;
    if (!header.serialText.empty()) {
      put(t, 5, "Serial Number");
      put(t, 40, header.serialText);
      ++t;
    }
  }
  putRow(t + 2, columnHeader);
  t += 4;
  int page = 1;
  for (const ReportGridRow& row : rows) {
    if (t >= L) {
      put(L + 1, 90, "Page " + std::to_string(page));
      ++page;
      plan.pages.emplace_back();
      putRow(2, columnHeader);
      t = 4;
    }
    putRow(t, row);
    ++t;
  }
  put(L + 1, 90, "Page " + std::to_string(page));
  return plan;
}

}  // namespace kvx
