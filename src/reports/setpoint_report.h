#pragma once
// The setpoint report: the loaded settings as a tab-separated text (opened by
// a spreadsheet as a table) and as a page plan that the printer only draws.
// Both start with a short header naming the unit, its firmware and, while
// online, the link.

#include <optional>
#include <string>
#include <vector>

#include "comm/comm_settings.h"
#include "reports/print_plan.h"
#include "setpoints/setpoint_tree.h"
#include "setpoints/setting_store.h"
#include "shell/brand.h"

namespace kvx {

// The link named in the header while online.
struct ReportLink {
  ProtocolKind protocol = ProtocolKind::ModbusRtu;
  int unitAddress = 0;
  int errorCheck = 0;  // DF1: 0 CRC, else BCC
  std::string baudText;
  std::string remoteHost;  // Modbus TCP
};
ReportLink ReportLinkOf(const CommSettings& comm, const std::string& remoteHost);

struct ReportHeader {
  std::string date;  // today in the platform's short date form
  std::string unitName;
  int definitionFirmware = 0;      // hundredths
  std::optional<ReportLink> link;  // set only while online
};

enum class ReportChoice { AllSettings, DisplayedSettings };

// A group node of the setpoint tree, in tree order.
struct ReportNode {
  int groupNumber = -1;
  bool ticked = false;  // listed in the setpoint grid
};
// The group nodes of `tree` in tree order; folders and the root carry no group.
std::vector<ReportNode> ReportNodes(const SetpointTreeNode& tree);

// The whole text file, each line ended by CR LF, in one byte per character
// (Latin-1). All settings: every node's group with an empty line after each
// node. Displayed settings: the ticked nodes' groups, one empty line after
// the last.
std::string BuildReportText(const SettingStore& store, const std::vector<ReportNode>& nodes,
                            const ReportHeader& header, ReportChoice choice);

// How many setting lines a report of `choice` writes (the progress maximum).
int ReportSettingLines(const SettingStore& store, const std::vector<ReportNode>& nodes,
                       ReportChoice choice);

// The registers a group lists up to its end mark, without the placeholder
// entry that an empty group carries (no setting of its own).
std::vector<int> ReportRegisters(const SettingStore& store, int group);

// --- the printout -----------------------------------------------------

// One row of the setpoint grid: name, value, units, comment.
struct ReportGridRow {
  std::string name, value, units, comment;
};

// What the first page's header shows (the window's status texts as they stand).
struct PrintHeader {
  std::string date;
  std::string filePath;     // empty: no file open
  std::string unitText;     // unit_P
  std::string versionText;  // version_P, "Firmware Version: 1.30"
  std::string serialText;   // serial_P, "SN: 12345"; shown only online and when not empty
  std::optional<ReportLink> link;
};

// The file path of a caption "KVX-COMM: /path/file.cds": the text after the
// first ": ", trimmed; empty when there is none.
std::string CaptionFilePath(const std::string& caption);

// The pages of the printout: `header` is row 0 of the grid, `rows` the
// rows below it; `linesPerPage` is L = (page height - 400) / line height.
PrintPlan BuildReportPrintPlan(const PrintHeader& header, const ReportGridRow& columnHeader,
                               const std::vector<ReportGridRow>& rows, int linesPerPage);

}  // namespace kvx
