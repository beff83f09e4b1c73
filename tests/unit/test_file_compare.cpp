// Two setting files side by side: what each file yields, which registers are
// listed, the grid rows the window draws and the saved listing.

#include <gtest/gtest.h>

#include <string>

#include "reports/compare_print.h"
#include "setpoints/file_compare.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/write_setting_file.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

CompareSide Read(const std::filesystem::path& path) {
  const CompareRead r = ReadCompareFile(path);
  EXPECT_TRUE(r.ok) << path << ": " << r.error;
  return r.side;
}

int Lines(const std::string& text) {
  int n = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++n;
  return n;
}

TEST(FileCompare, IdenticalFilesListOnlyTheFixedRows) {
  const CompareSide side = Read(kDefaults / "drb_defaults_130.xml");
  const CompareGrid grid = CompareSides(side, side);
  EXPECT_EQ(grid.differences, 0);
  ASSERT_EQ(grid.rows.size(), 4u);
  EXPECT_EQ(grid.rows[0][1], "Unit Type:");
  EXPECT_EQ(grid.rows[0][2], "DRB-50");
  EXPECT_EQ(grid.rows[1][6], "1.30");
  EXPECT_EQ(grid.rows[2][7], "Units");
  const std::string text = CompareListingText("a.xml", "b.cds", grid);
  EXPECT_EQ(Lines(text), 6);
  EXPECT_EQ(text.substr(0, 36), "Halvoren TRAXILON\r\na.xml \t\t\t\tb.cds\r\n");
  // Row 0, then the empty row 3 as seven empty cells.
  EXPECT_NE(text.find("\r\nUnit Type: \tDRB-50 \t  \t  \tUnit Type: \tDRB-50 \t  \t\r\n"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 23), "  \t  \t  \t  \t  \t  \t  \t\r\n");
}

TEST(FileCompare, SetpointFileMadeFromDefinitionsListsItsChangedSetting) {
  test::ScratchFolder dir;
  SettingStore store;
  ASSERT_TRUE(LoadSettingFile(store, kDefaults / "drb_defaults_130.xml", kDefaults));
  const CompareSide definitions = Read(kDefaults / "drb_defaults_130.xml");
  // Unchanged: the setpoint file holds what the definitions hold.
  ASSERT_TRUE(WriteSettingFile(store, dir / "same.cds").ok);
  EXPECT_EQ(CompareSides(definitions, Read(dir / "same.cds")).differences, 0);

  store.settings[67].value = "12";  // Jam Trip Delay, default 5
  ASSERT_TRUE(WriteSettingFile(store, dir / "pump.cds").ok);
  const CompareGrid grid = CompareSides(definitions, Read(dir / "pump.cds"));
  EXPECT_EQ(grid.differences, 1);
  ASSERT_EQ(grid.rows.size(), 5u);
  EXPECT_EQ(grid.rows[3][1], "Jam");
  EXPECT_EQ(grid.rows[3][5], "Jam");
  const CompareGridRow expected = {"", "   Jam Trip Delay", "5.00",  "s",
                                   "", "   Jam Trip Delay", "12.00", "s"};
  EXPECT_EQ(grid.rows[4], expected);
  EXPECT_TRUE(CompareCellBold(3, 1, grid.rows[3][1]));
  EXPECT_FALSE(CompareCellBold(4, 1, grid.rows[4][1]));
  EXPECT_FALSE(CompareCellBold(0, 1, grid.rows[0][1]));
  const std::string text = CompareListingText("drb_defaults_130.xml", "pump.cds", grid);
  EXPECT_EQ(Lines(text), 7);
  EXPECT_NE(
      text.find("\r\n   Jam Trip Delay \t5.00 \ts \t  \t   Jam Trip Delay \t12.00 \ts \t\r\n"),
      std::string::npos);
}

TEST(FileCompare, RegisterOnlyOnTheRightReadsNoSetpointOnTheLeft) {
  // Firmware 1.70 brought the differential CT (register 218, System Ratings).
  const CompareGrid grid = CompareSides(Read(kDefaults / "drb_defaults_130.xml"),
                                        Read(kDefaults / "drb_defaults_170.xml"));
  bool found = false;
  for (const CompareGridRow& row : grid.rows) {
    if (row[5] != "   Differential CT Primary") continue;
    found = true;
    EXPECT_EQ(row[1], kNoSetpointText);
    EXPECT_EQ(row[2], "");
    EXPECT_EQ(row[3], "");
    EXPECT_EQ(row[6], "100.00");
  }
  EXPECT_TRUE(found);
}

TEST(FileCompare, TwoModelsListBothSidesUnderBothHeadings) {
  const CompareGrid grid = CompareSides(Read(kDefaults / "drb_defaults_130.xml"),
                                        Read(kDefaults / "fdx_defaults_110.xml"));
  EXPECT_GT(grid.differences, 10);
  EXPECT_EQ(grid.rows[0][6], "FDX-50");
  // The first heading row names a group.
  EXPECT_FALSE(grid.rows[3][1].empty() && grid.rows[3][5].empty());
  // Every row below the fixed rows is a heading, a setting on both sides
  // (or "No Setpoint"), or the empty row before a heading.
  for (std::size_t r = 3; r < grid.rows.size(); ++r) {
    const CompareGridRow& row = grid.rows[r];
    const bool heading = CompareCellBold(static_cast<int>(r), 1, row[1]) ||
                         CompareCellBold(static_cast<int>(r), 5, row[5]);
    const bool empty = row[1].empty() && row[5].empty();
    const bool setting = row[1].rfind("  ", 0) == 0 && row[5].rfind("  ", 0) == 0;
    EXPECT_TRUE(heading || empty || setting) << r << ": " << row[1] << " / " << row[5];
  }
}

TEST(FileCompare, MeteringAndEventGroupsNeverTakePart) {
  SettingStore store;
  ASSERT_TRUE(LoadSettingFile(store, kDefaults / "fdx_defaults_110.xml", kDefaults));
  const CompareSide side = Read(kDefaults / "fdx_defaults_110.xml");
  int excluded = 0, included = 0;
  for (const SettingGroup& g : store.groups) {
    if (g.name.empty()) continue;
    for (int x : g.RegisterList()) {
      if (store.settings[x].group != g.name) continue;
      if (ComparedGroupKind(g.kind)) {
        ++included;
        EXPECT_EQ(side.table[x].setting, store.settings[x].setting);
      } else {
        ++excluded;
        EXPECT_EQ(side.table[x].setting, "") << x << " of " << g.name;
      }
    }
  }
  EXPECT_GT(excluded, 0);
  EXPECT_GT(included, 0);
  // The relay's side, built from loaded settings, leaves out the same.
  const CompareSide fromStore = CompareSideFromStore(store);
  EXPECT_EQ(CompareSides(side, fromStore).differences, 0);
}

TEST(FileCompare, UnreadableFiles) {
  test::ScratchFolder dir;
  const CompareRead garbage = ReadCompareFile(dir.Write("junk.cds", "not a packet"));
  EXPECT_FALSE(garbage.opened);
  EXPECT_FALSE(garbage.ok);
  EXPECT_FALSE(garbage.error.empty());
  const CompareRead missing = ReadCompareFile(dir / "absent.xml");
  EXPECT_FALSE(missing.opened);
  // A data packet without the setting columns: opened, rows unreadable.
  const CompareRead noColumns = ReadCompareFile(dir.Write(
      "cols.xml",
      "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
      "<FIELD attrname=\"CFG_NAME\" fieldtype=\"string\" WIDTH=\"20\"/></FIELDS></METADATA>"
      "<ROWDATA><ROW CFG_NAME=\"Unit\"/></ROWDATA></DATAPACKET>"));
  EXPECT_TRUE(noColumns.opened) << noColumns.error;
  EXPECT_FALSE(noColumns.ok);
  EXPECT_NE(noColumns.error.find("missing column"), std::string::npos);
}

TEST(FileComparePrint, PagesRepeatNamesAndColumnHeader) {
  CompareGrid grid = CompareSides(CompareSide{}, CompareSide{});
  for (int i = 0; i < 60; ++i) {
    CompareGridRow row{};
    row[1] = "   L" + std::to_string(i);
    row[5] = "   R" + std::to_string(i);
    grid.rows.push_back(row);
  }
  const PrintPlan plan = BuildComparePrintPlan("10/12/2026", "a.cds", "b.cds", grid, 40);
  ASSERT_EQ(plan.pages.size(), 2u);
  auto at = [](const PrintPage& p, int line, int column) {
    for (const PrintItem& i : p.items)
      if (i.line == line && i.column == column) return i.text;
    return std::string("<none>");
  };
  const PrintPage& first = plan.pages[0];
  EXPECT_EQ(at(first, 2, 1), "Halvoren TRAXILON");
  EXPECT_EQ(at(first, 2, 90), "10/12/2026");
  EXPECT_EQ(at(first, 4, 50), "b.cds");
  EXPECT_EQ(at(first, 7, 30), "Value");
  EXPECT_EQ(at(first, 9, 1), "");  // grid row 3, the empty row
  EXPECT_EQ(at(first, 10, 1), "   L0");
  EXPECT_EQ(at(first, 39, 50), "   R29");
  EXPECT_EQ(at(first, 41, 90), "Page 1");
  const PrintPage& second = plan.pages[1];
  EXPECT_EQ(at(second, 2, 1), "a.cds");
  EXPECT_EQ(at(second, 3, 1), "Parameters");
  EXPECT_EQ(at(second, 5, 1), "   L30");
  EXPECT_EQ(at(second, 34, 1), "   L59");
  EXPECT_EQ(at(second, 41, 90), "Page 2");
}

}  // namespace
}  // namespace kvx
