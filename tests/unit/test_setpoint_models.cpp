// Core models the setpoint and metering pages render: the tree, the grid row
// skeletons, the Select Defaults File listing and where definitions are found.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setpoints/defaults_listing.h"
#include "setpoints/defaults_location.h"
#include "setpoints/grid_rows.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/setpoint_tree.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

SettingStore StoreWithGroups(const std::vector<std::tuple<int, std::string, std::string>>& groups) {
  SettingStore s;
  s.unitName = "FDX-50";
  for (const auto& [n, name, kind] : groups) {
    s.groups[n].name = name;
    s.groups[n].kind = kind;
  }
  return s;
}

std::string Shape(const SetpointTreeNode& n) {
  std::string out = n.text;
  if (n.groupNumber >= 0) out += "#" + std::to_string(n.groupNumber);
  if (!n.children.empty()) {
    out += "(";
    for (std::size_t i = 0; i < n.children.size(); ++i)
      out += (i ? "," : "") + Shape(n.children[i]);
    out += ")";
  }
  return out;
}

TEST(SetpointTree, PassesFoldersAndGroupNumbers) {
  const SettingStore s = StoreWithGroups({{40, "Rtd", "rtd"},
                                          {30, "Ratings", "setpoint"},
                                          {21, "OC G2", "group2"},
                                          {11, "OC G1", "group1"},
                                          {10, "OL G1", "group1"},
                                          {5, "Prot", "protection"},
                                          {1, "Title", "system name"},
                                          {2, "", "setpoint"},
                                          {900, "Metering", "metering"},
                                          {50, "Other", "unknown kind"},
                                          {999, "Late", "setpoint"}});
  const SetpointTreeNode root = BuildSetpointTree(s);
  EXPECT_EQ(Shape(root),
            "FDX-50(Title#1,Protection(Prot#5),Group 1(OL G1#10,OC G1#11),Group 2(OC G2#21),"
            "Ratings#30,Late#999,Temperature Sensors(Rtd#40))");
  EXPECT_EQ(root.state, -1);
  EXPECT_EQ(root.children[1].state, -1);
  EXPECT_EQ(root.children[1].children[0].state, 0);
}

TEST(SetpointTree, NoGroupsLeaveOnlyTheRoot) {
  const SetpointTreeNode root = BuildSetpointTree(StoreWithGroups({}));
  EXPECT_EQ(Shape(root), "FDX-50");
}

TEST(GridRows, SkeletonsFromTheFirstGroupOfEachKind) {
  SettingStore s = StoreWithGroups({{900, "Metering", "metering"},
                                    {901, "Second", "metering"},
                                    {902, "Temps", "meter rtd"},
                                    {903, "Event Record", "events"}});
  s.groups[900].registers = {};
  s.groups[900].registers[0] = 862;
  s.groups[900].registers[1] = 860;
  s.groups[900].registers[2] = kGroupEndMarker;
  s.settings[860].setting = "Phase A Current";
  s.settings[860].units = "A";
  s.settings[862].setting = "Phase B Current";
  s.settings[862].units = "A";
  s.groups[902].registers[0] = 902;
  s.groups[902].registers[1] = kGroupEndMarker;
  s.settings[902].setting = "RTD 1";
  const MeteringRows m = BuildMeteringRows(s);
  ASSERT_EQ(m.meter.size(), 4u);
  EXPECT_EQ(m.meter[0], (GridRow{"", "Metering", "", "", ""}));
  EXPECT_EQ(m.meter[1], (GridRow{"862", "   Phase B Current", "", "A", ""}));
  EXPECT_EQ(m.meter[2], (GridRow{"860", "   Phase A Current", "", "A", ""}));
  EXPECT_EQ(m.meter[3], GridRow{});
  ASSERT_EQ(m.rtd.size(), 2u);
  EXPECT_EQ(m.rtd[1][1], "   RTD 1");
  // The events group lists no registers of its own: its default list is empty.
  const auto events = BuildEventRows(s);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0][1], "Event Record");
  // Without groups of the kinds: one empty row (plus the metering grid's extra one).
  const MeteringRows none = BuildMeteringRows(StoreWithGroups({}));
  EXPECT_EQ(none.meter.size(), 2u);
  EXPECT_EQ(none.rtd.size(), 1u);
}

TEST(DefaultsListing, ModelOrderAndVersionsNewestFirst) {
  const auto models = DefaultsDialogModels();
  EXPECT_EQ(std::vector<std::string_view>(models.begin(), models.end()),
            (std::vector<std::string_view>{"DRB-50", "DRA", "FDX-50", "QRT-2600", "QRT-3600",
                                           "QRT-4700"}));
  test::ScratchFolder dir;
  for (const char* name :
       {"dra_defaults_185.xml", "dra_defaults_230.xml", "dra_defaults_190.xml",
        "dra_defaults_2a.xml", "dra_defaults_0210.xml", "dra_defaults_.xml", "dra_defaults_200.XML",
        "drb_defaults_100.xml", "dra_defaults_99.xml.bak"})
    dir.Write(name, "x");
  std::filesystem::create_directory(dir / "dra_defaults_300.xml");
  const auto versions = ListDefinitionVersions(dir.path(), *FindUnitModelByName("DRA"));
  std::vector<std::string> texts;
  for (const auto& v : versions) texts.push_back(v.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"2.30", "1.90", "1.85"}));
  EXPECT_EQ(versions[1].path, dir / "dra_defaults_190.xml");
  EXPECT_TRUE(ListDefinitionVersions(dir / "missing", *FindUnitModelByName("DRA")).empty());
  EXPECT_TRUE(ListDefinitionVersions(dir.path(), *FindUnitModelByName("QRT-4700")).empty());
}

TEST(DefaultsLocation, OverrideThenBesideTheProgramThenInstalled) {
  test::ScratchFolder dir;
  const auto bin = dir / "bin";
  std::filesystem::create_directories(bin);
  EXPECT_EQ(FindDefaultsFolder(bin, dir / "mine"), dir / "mine");
  EXPECT_EQ(FindDefaultsFolder(bin), bin / "Defaults");  // nothing anywhere: the expected place
  std::filesystem::create_directories(dir / "share" / "kvx-comm" / "Defaults");
  EXPECT_EQ(FindDefaultsFolder(bin), dir / "share" / "kvx-comm" / "Defaults");
  std::filesystem::create_directories(bin / "Defaults");
  EXPECT_EQ(FindDefaultsFolder(bin), bin / "Defaults");
  EXPECT_FALSE(ProgramFolder().empty());
}

// The help pages are found the same way; each folder is looked up on its own,
// so an installed help folder is used even when only Defaults is beside the program.
TEST(DefaultsLocation, HelpFolderBesideOrInstalledIndependently) {
  test::ScratchFolder dir;
  const auto bin = dir / "bin";
  std::filesystem::create_directories(bin / "Defaults");
  EXPECT_EQ(FindDataFolder(bin, "help"), bin / "help");
  std::filesystem::create_directories(dir / "share" / "kvx-comm" / "help");
  EXPECT_EQ(FindDataFolder(bin, "help"), dir / "share" / "kvx-comm" / "help");
  EXPECT_EQ(FindDataFolder(bin, "Defaults"), bin / "Defaults");
}

TEST(UnitModels, TableAndLookups) {
  EXPECT_EQ(UnitModels().size(), 6u);
  EXPECT_EQ(FindUnitModelByCode(1302)->name, "QRT-4700");
  EXPECT_EQ(FindUnitModelByName("DRB-50")->family, 2);
  EXPECT_EQ(FindUnitModelByName("DRB-50")->filePrefix, "drb_defaults_");
  EXPECT_FALSE(FindUnitModelByName("dra"));
  EXPECT_FALSE(FindUnitModelByCode(999));
  EXPECT_EQ(DefinitionFilePath("/d", *FindUnitModelByCode(201), 190),
            std::filesystem::path("/d/dra_defaults_190.xml"));
}

}  // namespace
}  // namespace kvx
