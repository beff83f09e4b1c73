// The shipped definition files: every one loads, formats and round-trips, and
// holds the registers the program itself relies on.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "setpoints/data_packet_binary.h"
#include "setpoints/data_packet_file.h"
#include "setpoints/data_packet_xml.h"
#include "setpoints/defaults_listing.h"
#include "setpoints/format_value.h"
#include "setpoints/grid_rows.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/option_list.h"
#include "setpoints/type_codes.h"
#include "setpoints/unit_model.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

struct Shipped {
  UnitModel model;
  DefinitionVersion version;
};

std::vector<Shipped> AllShipped() {
  std::vector<Shipped> out;
  for (const UnitModel& m : UnitModels()) {
    for (const DefinitionVersion& v : ListDefinitionVersions(kDefaults, m)) out.push_back({m, v});
  }
  return out;
}

SettingStore Load(const std::filesystem::path& p) {
  SettingStore s;
  const LoadResult r = LoadSettingFile(s, p, kDefaults);
  EXPECT_TRUE(r) << p << ": " << r.error;
  return s;
}

// The group named `name` among 0..99, or nullptr.
const SettingGroup* Group(const SettingStore& s, const std::string& name) {
  for (int n = 0; n < kSetpointGroupLimit; ++n) {
    if (s.groups[n].name == name) return &s.groups[n];
  }
  return nullptr;
}

TEST(DefaultsFiles, TheExpectedFirmwareFilesAreShipped) {
  std::map<std::string, std::vector<int>> found;
  for (const Shipped& s : AllShipped())
    found[std::string(s.model.name)].push_back(s.version.firmware);
  EXPECT_EQ(found["DRA"], (std::vector<int>{230, 210, 190, 185}));
  EXPECT_EQ(found["DRB-50"], (std::vector<int>{170, 130, 120, 100}));
  EXPECT_EQ(found["FDX-50"], (std::vector<int>{110, 100}));
  EXPECT_EQ(found["QRT-3600"], std::vector<int>{100});
  EXPECT_EQ(found["QRT-2600"], std::vector<int>{100});
  EXPECT_EQ(found["QRT-4700"], std::vector<int>{100});
}

TEST(DefaultsFiles, EveryFileLoadsAndEveryValueFormats) {
  for (const Shipped& f : AllShipped()) {
    SCOPED_TRACE(f.version.path.filename().string());
    const SettingStore s = Load(f.version.path);
    EXPECT_EQ(s.unitName, f.model.name);
    EXPECT_EQ(s.family, f.model.family);
    EXPECT_EQ(s.definitionFirmware, f.version.firmware);
    int settings = 0;
    for (int r = 0; r < kSettingCount; ++r) {
      const SettingRecord& e = s.settings[r];
      if (e.setting.empty()) continue;
      ++settings;
      const std::string shown = FormatValue(e.typeCode, e.value);
      EXPECT_NE(shown, "ERROR") << r << " " << e.setting;
      EXPECT_NE(shown, "Over Range") << r << " " << e.setting;
      EXPECT_NE(DescribeTypeCode(e.typeCode).display, DisplayForm::Error) << r;
      if (e.access == 0) {
        // Editable settings can be read and written, and start within limits.
        EXPECT_NE(DescribeTypeCode(e.typeCode).read, ReadForm::None) << r;
        EXPECT_NE(DescribeTypeCode(e.typeCode).write, WriteForm::None) << r;
        if (e.typeCode != 22) {
          EXPECT_LE(std::stod(e.minText), std::stod(e.value)) << r << " " << e.setting;
          EXPECT_LE(std::stod(e.value), std::stod(e.maxText)) << r << " " << e.setting;
        }
      }
      if (IsListTypeCode(e.typeCode)) {
        EXPECT_LT(std::stod(e.maxText), OptionLines(e.typeCode).size()) << r;
      }
    }
    EXPECT_GT(settings, 150);
    // Registers the program reads or writes itself are never settings.
    for (int r : {0, 1, 2, 6, 576, 577, 580, 589, 590, 599, 973, 975, 1096, 1104})
      EXPECT_TRUE(s.settings[r].setting.empty()) << r;
    EXPECT_EQ(s.settings[600].typeCode, 22);
    ASSERT_NE(Group(s, "System Name"), nullptr);
    EXPECT_EQ(s.settings[600].group, "System Name");
  }
}

TEST(DefaultsFiles, EveryFileRoundTripsThroughTheBinaryFormByteForByte) {
  for (const Shipped& f : AllShipped()) {
    SCOPED_TRACE(f.version.path.filename().string());
    const std::string original = test::ReadWholeFile(f.version.path);
    const PacketResult xml = ReadXmlPacket(original);
    ASSERT_TRUE(xml.ok) << xml.error;
    const PacketResult binary = ReadBinaryPacket(WriteBinaryPacket(xml.packet));
    ASSERT_TRUE(binary.ok) << binary.error;
    EXPECT_TRUE(SamePacket(binary.packet, xml.packet));
    EXPECT_EQ(WriteXmlPacket(binary.packet), original);
  }
}

TEST(DefaultsFiles, CurveSettingsSitInTheirNamedGroups) {
  const std::map<std::string, std::vector<int>> motor = {
      {"Overload", {13, 15, 17}}, {"Overcurrent", {33, 35}}, {"Aux Overcurrent", {41, 43}},
      {"Jam", {65, 67}},          {"System Name", {600}},    {"System Ratings", {210, 225, 233}}};
  std::map<std::string, std::vector<int>> feeder = {{"System Ratings", {251, 253}},
                                                    {"System Name", {600}}};
  for (int g = 1; g <= 2; ++g) {
    const std::string G = " G" + std::to_string(g);
    const int o = g == 1 ? 0 : 1;
    feeder["Overload" + G] = {g == 1 ? 19 : 37, g == 1 ? 11 : 29};
    feeder["Phase Inverse" + G] = {51 + 10 * o, 52 + 10 * o, 54 + 10 * o};
    feeder["Phase Definite Time" + G] = {g == 1 ? 74 : 88, g == 1 ? 72 : 86};
    feeder["Earth Fault 3Io Inverse" + G] = {101 + 10 * o, 102 + 10 * o, 104 + 10 * o};
    feeder["Earth Fault 3Io Definite Time" + G] = {g == 1 ? 124 : 140, g == 1 ? 122 : 138};
    feeder["Earth Fault CT-Input Definite Time" + G] = {g == 1 ? 154 : 170, g == 1 ? 152 : 168};
  }
  for (const Shipped& f : AllShipped()) {
    SCOPED_TRACE(f.version.path.filename().string());
    const SettingStore s = Load(f.version.path);
    for (const auto& [name, registers] : f.model.family == 3 ? feeder : motor) {
      const SettingGroup* g = Group(s, name);
      ASSERT_NE(g, nullptr) << name;
      const auto list = g->RegisterList();
      for (int r : registers) {
        EXPECT_NE(std::find(list.begin(), list.end(), r), list.end()) << name << " " << r;
        if (r != 600) {
          EXPECT_TRUE(s.settings[r].typeCode == 1 || s.settings[r].typeCode == 73) << r;
        }
      }
    }
    if (f.model.family == 3) {
      for (int r : {51, 61, 101, 111}) EXPECT_EQ(s.settings[r].typeCode, 73) << r;
      EXPECT_EQ(s.groups[10].kind, "group1");
      EXPECT_EQ(s.groups[20].kind, "group2");
    }
  }
}

TEST(DefaultsFiles, ReadingGroupsHoldTheRegistersThePollsRead) {
  for (const Shipped& f : AllShipped()) {
    SCOPED_TRACE(f.version.path.filename().string());
    const SettingStore s = Load(f.version.path);
    const int metering = FirstGroupOfKind(s, "metering");
    const int rtd = FirstGroupOfKind(s, "meter rtd");
    const int events = FirstGroupOfKind(s, "events");
    ASSERT_GE(metering, kSetpointGroupLimit);
    ASSERT_GE(rtd, kSetpointGroupLimit);
    ASSERT_GE(events, kSetpointGroupLimit);
    for (int r : s.groups[metering].RegisterList()) {
      EXPECT_TRUE((r >= 860 && r <= 972) || (r >= 1210 && r <= 1229)) << r;
      EXPECT_NE(r, 973);
    }
    for (int r : s.groups[rtd].RegisterList()) EXPECT_TRUE(r >= 902 && r <= 964) << r;
    for (int r : s.groups[events].RegisterList()) {
      const int t = s.settings[r].typeCode;
      const bool single = t == 3 || t == 26 || t == 27 || t == 79;
      EXPECT_GE(r, 976);
      EXPECT_LE(r + (single ? 0 : 1), 1065) << r;
    }
    EXPECT_EQ(s.settings[976].typeCode, 23);
    EXPECT_EQ(s.settings[978].typeCode, 24);
    EXPECT_EQ(s.settings[980].typeCode, f.model.family == 3 ? 3 : 26);
    EXPECT_EQ(s.settings[981].typeCode, f.model.family == 3 ? 79 : 27);
    EXPECT_EQ(s.settings[390].typeCode, 19);
    EXPECT_EQ(s.settings[860].typeCode, 1);
    const int temperature = f.model.family == 2 ? 900 : f.model.family == 3 ? 880 : 0;
    if (temperature) {
      EXPECT_EQ(s.settings[temperature].units,
                "\xC2\xB0"
                "C");
    }
  }
}

TEST(DefaultsFiles, FirmwareRevisionsDifferInRealSettings) {
  struct Row {
    std::string setting;
    int type;
    std::string min, max;
    bool operator==(const Row&) const = default;
  };
  const auto rows = [](const SettingStore& s) {
    std::map<int, Row> m;
    for (int r = 0; r < kSettingCount; ++r) {
      const SettingRecord& e = s.settings[r];
      if (!e.setting.empty()) m[r] = {e.setting, e.typeCode, e.minText, e.maxText};
    }
    return m;
  };
  std::map<std::string, std::vector<Shipped>> byModel;
  for (const Shipped& f : AllShipped()) byModel[std::string(f.model.name)].push_back(f);
  for (const auto& [model, files] : byModel) {
    for (std::size_t i = 1; i < files.size(); ++i) {
      EXPECT_NE(rows(Load(files[i - 1].version.path)), rows(Load(files[i].version.path)))
          << model << " " << files[i].version.firmware;
    }
  }
  // The firmware-dependent readings the program handles.
  EXPECT_FALSE(Load(kDefaults / "dra_defaults_230.xml").settings[1224].setting.empty());
  EXPECT_TRUE(Load(kDefaults / "dra_defaults_210.xml").settings[1224].setting.empty());
  EXPECT_FALSE(Load(kDefaults / "dra_defaults_230.xml").settings[218].setting.empty());
  EXPECT_FALSE(Load(kDefaults / "drb_defaults_170.xml").settings[884].setting.empty());
  EXPECT_TRUE(Load(kDefaults / "drb_defaults_130.xml").settings[884].setting.empty());
  EXPECT_EQ(Load(kDefaults / "drb_defaults_130.xml").settings[151].typeCode, 69);
  EXPECT_EQ(Load(kDefaults / "drb_defaults_120.xml").settings[151].typeCode, 66);
  EXPECT_EQ(Load(kDefaults / "fdx_defaults_110.xml").settings[191].typeCode, 74);
  EXPECT_EQ(Load(kDefaults / "fdx_defaults_100.xml").settings[191].typeCode, 76);
}

}  // namespace
}  // namespace kvx
