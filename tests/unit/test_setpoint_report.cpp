// The setpoint report: the text file byte for byte, and the printout's
// page plan (header lines, page breaks, page numbers).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/setpoint_report.h"

namespace kvx {
namespace {

// Two groups: "Ratings" (10) with a number setting with units and comment
// and one without either, and "Title" (0) with a text setting.
SettingStore SmallStore() {
  SettingStore s;
  s.unitName = "DRB-50";
  s.definitionFirmware = 226;
  s.groups[0].name = "Title";
  s.groups[0].registers = {600, kGroupEndMarker};
  s.groups[10].name = "Ratings";
  s.groups[10].registers = {210, 214, kGroupEndMarker};
  auto set = [&](int x, const char* group, const char* name, int type, const char* value,
                 const char* units, const char* comment) {
    SettingRecord& r = s.settings[x];
    r.group = group;
    r.setting = name;
    r.typeCode = type;
    r.value = value;
    r.units = units;
    r.comment = comment;
  };
  set(600, "Title", "Relay Title", 22, "Pump 4", "", "");
  set(210, "Ratings", "CT-Primary ( Ip )", 1, "100", "A", "Phase CT");
  set(214, "Ratings", "Service Factor", 1, "1.15", "", "");
  return s;
}

ReportHeader Header() {
  ReportHeader h;
  h.date = "10/12/2026";
  h.unitName = "DRB-50";
  h.definitionFirmware = 226;
  return h;
}

const char* const kOfflineTop =
    "Halvoren TRAXILON\tSETPOINTS\t10/12/2026\r\n"
    "Unit Type\tDRB-50\r\n"
    "Firmware Version\t2.26\r\n"
    "\r\n"
    "Section \tParameters \tValue \tUnits \tComments\r\n";

TEST(SetpointReport, AllSettingsWritesEveryNodeWithAnEmptyLineAfterEach) {
  const SettingStore s = SmallStore();
  // A node of an unnamed group writes no block but still its empty line.
  const std::vector<ReportNode> nodes = {{0, false}, {5, false}, {10, true}};
  EXPECT_EQ(BuildReportText(s, nodes, Header(), ReportChoice::AllSettings),
            std::string(kOfflineTop) +
                "Title \r\n"
                "\tRelay Title \tPump 4 \t \t\r\n"
                "\r\n"
                "\r\n"
                "Ratings \r\n"
                "\tCT-Primary ( Ip ) \t100.00 \tA \tPhase CT\r\n"
                "\tService Factor \t1.15 \t \t\r\n"
                "\r\n");
  EXPECT_EQ(ReportSettingLines(s, nodes, ReportChoice::AllSettings), 3);
}

TEST(SetpointReport, DisplayedSettingsWritesTickedGroupsAndOneEmptyLine) {
  const SettingStore s = SmallStore();
  EXPECT_EQ(BuildReportText(s, {{0, false}, {10, true}}, Header(), ReportChoice::DisplayedSettings),
            std::string(kOfflineTop) +
                "Ratings \r\n"
                "\tCT-Primary ( Ip ) \t100.00 \tA \tPhase CT\r\n"
                "\tService Factor \t1.15 \t \t\r\n"
                "\r\n");
  // Nothing ticked: the header, the column header and one empty line.
  EXPECT_EQ(
      BuildReportText(s, {{0, false}, {10, false}}, Header(), ReportChoice::DisplayedSettings),
      std::string(kOfflineTop) + "\r\n");
}

TEST(SetpointReport, OnlineHeaderNamesTheLink) {
  struct Case {
    ProtocolKind protocol;
    int errorCheck;
    const char* lines;
  } cases[] = {
      {ProtocolKind::ModbusRtu, 0,
       "Network Type\tModbus RTU\r\nConnected ID (Network or Local)\t254\r\nBaud Rate\t19200\r\n"},
      {ProtocolKind::Df1, 0,
       "Network Type\tAB-DF1 CRC\r\nConnected ID (Network or Local)\t254\r\nBaud Rate\t19200\r\n"},
      {ProtocolKind::Df1, 1,
       "Network Type\tAB-DF1 BCC\r\nConnected ID (Network or Local)\t254\r\nBaud Rate\t19200\r\n"},
      {ProtocolKind::ModbusTcp, 0,
       "Network Type\tModbus TCP\r\nIP Address\t10.0.0.7\r\nNetwork ID\t254\r\n"},
  };
  for (const Case& c : cases) {
    ReportHeader h = Header();
    h.link = ReportLink{c.protocol, 254, c.errorCheck, "19200", "10.0.0.7"};
    const std::string text = BuildReportText(SmallStore(), {}, h, ReportChoice::DisplayedSettings);
    EXPECT_EQ(text,
              "Halvoren TRAXILON\tSETPOINTS\t10/12/2026\r\nUnit Type\tDRB-50\r\n"
              "Firmware Version\t2.26\r\n" +
                  std::string(c.lines) +
                  "\r\nSection \tParameters \tValue \tUnits \tComments\r\n\r\n")
        << static_cast<int>(c.protocol) << "/" << c.errorCheck;
  }
}

TEST(SetpointReport, TextIsOneBytePerCharacterAndAnEmptyGroupWritesNoPlaceholderLine) {
  SettingStore s = SmallStore();
  s.settings[210].units =
      "\xC2\xB0"
      "C";                      // degree sign in UTF-8
  s.groups[20].name = "Spare";  // no settings: its list holds register 0 only
  s.groups[20].registers = {0, kGroupEndMarker};
  const std::string text =
      BuildReportText(s, {{20, true}, {10, true}}, Header(), ReportChoice::DisplayedSettings);
  EXPECT_NE(text.find("\t100.00 \t\xB0"
                      "C \tPhase CT\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("Comments\r\nSpare \r\nRatings \r\n"), std::string::npos);
}

TEST(SetpointReport, ReportNodesFollowTreeOrderAndTicks) {
  SetpointTreeNode root{"DRB-50", -1, -1, {}};
  root.children.push_back({"Title", 0, 0, {}});
  SetpointTreeNode folder{"Protection", -1, -1, {}};
  folder.children.push_back({"Jam", 15, 2, {}});
  folder.children.push_back({"Overload", 10, 0, {}});
  root.children.push_back(folder);
  root.children.push_back({"Ratings", 1, 3, {}});
  const std::vector<ReportNode> nodes = ReportNodes(root);
  ASSERT_EQ(nodes.size(), 4u);
  const int groups[] = {0, 15, 10, 1};
  const bool ticked[] = {false, true, false, true};
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i].groupNumber, groups[i]);
    EXPECT_EQ(nodes[i].ticked, ticked[i]);
  }
}

TEST(SetpointReport, CaptionFilePath) {
  EXPECT_EQ(CaptionFilePath("KVX-COMM"), "");
  EXPECT_EQ(CaptionFilePath("KVX-COMM: /home/a/pump: 4.cds  "), "/home/a/pump: 4.cds");
}

// Items of one page on one line, as "column:text" joined by '|'.
std::string Line(const PrintPage& page, int line) {
  std::string out;
  for (const PrintItem& i : page.items) {
    if (i.line != line) continue;
    out += (out.empty() ? "" : "|") + std::to_string(i.column) + ":" + i.text;
  }
  return out;
}

std::vector<ReportGridRow> Rows(int n) {
  std::vector<ReportGridRow> rows;
  for (int i = 0; i < n; ++i) rows.push_back({"row" + std::to_string(i), "v", "u", "c"});
  return rows;
}

const ReportGridRow kColumnHeader{"Parameters", "Value", "Units", "Comments"};

TEST(SetpointReportPrint, FirstPageHeaderOfflineWithAFile) {
  PrintHeader h;
  h.date = "10/12/2026";
  h.filePath = "/data/pump.cds";
  h.unitText = "DRB-50";
  h.versionText = "Firmware Version: 1.30";
  h.serialText = "SN: 42";  // offline: not printed
  const PrintPlan plan = BuildReportPrintPlan(h, kColumnHeader, Rows(1), 50);
  ASSERT_EQ(plan.pages.size(), 1u);
  const PrintPage& p = plan.pages[0];
  EXPECT_EQ(Line(p, 2), "5:Halvoren TRAXILON                  SETPOINTS|90:10/12/2026");
  EXPECT_EQ(Line(p, 4), "5:Filename:|40:/data/pump.cds");
  EXPECT_EQ(Line(p, 5), "5:Unit Type|40:DRB-50");
  EXPECT_EQ(Line(p, 6), "5:Firmware Version|40:Firmware Version: 1.30");
  EXPECT_EQ(Line(p, 7), "");
  EXPECT_EQ(Line(p, 9), "5:Parameters|40:Value|55:Units|65:Comments");
  EXPECT_EQ(Line(p, 11), "5:row0|40:v|55:u|65:c");
  EXPECT_EQ(Line(p, 51), "90:Page 1");
}

TEST(SetpointReportPrint, OnlineHeaderLines) {
  PrintHeader h;
  h.unitText = "FDX-50";
  h.versionText = "Firmware Version: 1.10";
  h.serialText = "SN: 42";
  h.link = ReportLink{ProtocolKind::ModbusTcp, 7, 0, "9600", "10.0.0.7"};
  const PrintPage p = BuildReportPrintPlan(h, kColumnHeader, Rows(1), 50).pages[0];
  EXPECT_EQ(Line(p, 4), "5:Unit Type|40:FDX-50");
  EXPECT_EQ(Line(p, 6), "5:Network Type|40:Modbus TCP");
  EXPECT_EQ(Line(p, 7), "5:IP Address|40:10.0.0.7");
  EXPECT_EQ(Line(p, 8), "5:Connected ID (Network or Local)|40:7");
  EXPECT_EQ(Line(p, 9), "5:Serial Number|40:SN: 42");
  EXPECT_EQ(Line(p, 12), "5:Parameters|40:Value|55:Units|65:Comments");
  EXPECT_EQ(Line(p, 14), "5:row0|40:v|55:u|65:c");
  // Without a serial number the rows move up a line.
  h.serialText.clear();
  EXPECT_EQ(Line(BuildReportPrintPlan(h, kColumnHeader, Rows(1), 50).pages[0], 13),
            "5:row0|40:v|55:u|65:c");
}

TEST(SetpointReportPrint, LaterPagesHoldFortySixRowsAtFiftyLines) {
  PrintHeader h;  // offline, no file: rows from line 10 to 49 on page 1 (40 rows)
  const int total = 40 + 46 + 46 + 3;
  const PrintPlan plan = BuildReportPrintPlan(h, kColumnHeader, Rows(total), 50);
  ASSERT_EQ(plan.pages.size(), 4u);
  int seen = 0;
  for (std::size_t n = 0; n < plan.pages.size(); ++n) {
    const PrintPage& p = plan.pages[n];
    int rows = 0, first = 0, last = 0;
    for (const PrintItem& i : p.items) {
      if (i.column != 5 || i.text.rfind("row", 0) != 0) continue;
      EXPECT_EQ(i.text, "row" + std::to_string(seen + rows));
      if (rows == 0) first = i.line;
      last = i.line;
      ++rows;
    }
    seen += rows;
    EXPECT_EQ(Line(p, 51), "90:Page " + std::to_string(n + 1));
    EXPECT_EQ(last, n + 1 < plan.pages.size() ? 49 : first + rows - 1);
    if (n > 0) {
      EXPECT_EQ(Line(p, 2), "5:Parameters|40:Value|55:Units|65:Comments");
      EXPECT_EQ(first, 4);
      if (n + 1 < plan.pages.size()) {
        EXPECT_EQ(rows, 46);
      }
    } else {
      EXPECT_EQ(rows, 40);
    }
  }
  EXPECT_EQ(seen, total);
}

TEST(SetpointReportPrint, TinyPagesStillMakeProgress) {
  EXPECT_EQ(PrintLinesPerPage(450, 55), 8);
  EXPECT_EQ(PrintLinesPerPage(3150, 55), 50);
  const PrintPlan plan = BuildReportPrintPlan({}, kColumnHeader, Rows(3), 1);
  EXPECT_EQ(plan.pages.size(), 4u);  // the first page has no room; then one row a page
}

}  // namespace
}  // namespace kvx
