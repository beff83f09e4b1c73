// Loading definition and setpoint files into the setting store.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "setpoints/format_value.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/write_setting_file.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

const char* const kAllColumns[] = {
    "CFG_NAME", "CFG_VALUE", "G_ORDER", "MAIN", "MAINTYPE", "GROUP",  "REGISTER", "SETTING",
    "S_ORDER",  "TYPE",      "MIN",     "MAX",  "DEFAULT",  "ACCESS", "UNITS",    "COMMENTS"};

// A setting file in the XML form; `rows` are the ROW attribute lists.
std::string SettingXml(const std::vector<std::string>& rows, const std::string& leaveOut = "") {
  std::string x = "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
  for (const char* c : kAllColumns) {
    if (c == leaveOut) continue;
    const std::string name = c;
    const bool number = name == "G_ORDER" || name == "REGISTER" || name == "S_ORDER" ||
                        name == "TYPE" || name == "MIN" || name == "MAX" || name == "ACCESS";
    x += "<FIELD attrname=\"" + name + "\" fieldtype=\"" +
         (number ? "r8\"" : "string\" WIDTH=\"50\"") + "/>";
  }
  x += "</FIELDS></METADATA><ROWDATA>";
  for (const std::string& r : rows) x += "<ROW " + r + "/>";
  return x + "</ROWDATA></DATAPACKET>";
}

std::vector<std::string> Identity(const std::string& unit = "DRA", const std::string& fw = "190") {
  return {"CFG_NAME=\"Unit\" CFG_VALUE=\"" + unit + "\"",
          "CFG_NAME=\"Firmware\" CFG_VALUE=\"" + fw + "\""};
}

std::vector<std::string> With(std::vector<std::string> rows, const std::vector<std::string>& more) {
  rows.insert(rows.end(), more.begin(), more.end());
  return rows;
}

const std::vector<std::string> kDefinitionRows = With(
    Identity(),
    {"G_ORDER=\"0\" MAIN=\"System Name\" MAINTYPE=\"system name\"",
     "G_ORDER=\"10\" MAIN=\"Overload\" MAINTYPE=\"protection\"",
     "G_ORDER=\"11\" MAIN=\"Empty\" MAINTYPE=\"protection\"",
     "G_ORDER=\"999\" MAIN=\"Never\" MAINTYPE=\"setpoint\"",
     "GROUP=\"System Name\" REGISTER=\"600\" SETTING=\"Relay Title\" S_ORDER=\"1\" TYPE=\"22\" "
     "MIN=\"0\" MAX=\"20\" DEFAULT=\"Motor\" ACCESS=\"0\" COMMENTS=\"from file\"",
     "GROUP=\"Overload\" REGISTER=\"15\" SETTING=\"LR Time\" S_ORDER=\"2\" TYPE=\"1\" MIN=\"0.1\" "
     "MAX=\"100\" DEFAULT=\"10.00\" ACCESS=\"1\" UNITS=\"s\"",
     "GROUP=\"Overload\" REGISTER=\"13\" SETTING=\"LR Current\" S_ORDER=\"1\" TYPE=\"1\" "
     "MIN=\"1.5\" MAX=\"10\" DEFAULT=\"6.00\" UNITS=\"x FLA\""});

class LoadSettingFileTest : public ::testing::Test {
 protected:
  std::filesystem::path Definitions(const std::vector<std::string>& rows,
                                    const std::string& name = "dra_defaults_190.xml",
                                    const std::string& leaveOut = "") {
    return dir.Write(name, SettingXml(rows, leaveOut));
  }
  LoadResult Load(const std::filesystem::path& p) { return LoadSettingFile(store, p, dir.path()); }

  test::ScratchFolder dir;
  SettingStore store;
};

TEST_F(LoadSettingFileTest, BuildsGroupsSettingsAndIdentity) {
  const LoadResult r = Load(Definitions(kDefinitionRows));
  ASSERT_TRUE(r) << r.error;
  EXPECT_EQ(store.unitName, "DRA");
  EXPECT_EQ(store.family, 1);
  EXPECT_EQ(store.definitionFirmware, 190);
  EXPECT_EQ(store.groups[10].name, "Overload");
  EXPECT_EQ(store.groups[10].kind, "protection");
  EXPECT_EQ(store.groups[10].RegisterList(), (std::vector<int>{13, 15}));  // by S_ORDER
  EXPECT_EQ(store.groups[11].RegisterList(), std::vector<int>{0});         // empty group
  EXPECT_EQ(store.groups[11].registers[1], kGroupEndMarker);
  EXPECT_TRUE(store.groups[999].name.empty());
  const SettingRecord& lr = store.settings[15];
  EXPECT_EQ(lr.setting, "LR Time");
  EXPECT_EQ(lr.group, "Overload");
  EXPECT_EQ(lr.typeCode, 1);
  EXPECT_EQ(lr.minText, "0.1");
  EXPECT_EQ(lr.maxText, "100");
  EXPECT_EQ(lr.value, "10.00");
  EXPECT_EQ(lr.readValue, "10.00");
  EXPECT_EQ(lr.access, 1);
  EXPECT_EQ(lr.units, "s");
  EXPECT_EQ(store.settings[13].access, 0);
  EXPECT_EQ(store.settings[600].readComment, "from file");
  EXPECT_TRUE(store.settings[14].setting.empty());
  EXPECT_EQ(store.settings[14].minText, "0");
}

TEST_F(LoadSettingFileTest, NullColumnsReadAsZeroOrEmpty) {
  const LoadResult r =
      Load(Definitions(With(Identity(), {"G_ORDER=\"1\" MAIN=\"G\" MAINTYPE=\"setpoint\"",
                                         "GROUP=\"G\" REGISTER=\"20\" "
                                         "SETTING=\"Bare\""})));
  ASSERT_TRUE(r) << r.error;
  const SettingRecord& e = store.settings[20];
  EXPECT_EQ(e.setting, "Bare");
  EXPECT_EQ(e.typeCode, 0);
  EXPECT_EQ(e.minText, "0");
  EXPECT_EQ(e.maxText, "0");
  EXPECT_EQ(e.value, "");
  EXPECT_EQ(e.units, "");
}

TEST_F(LoadSettingFileTest, WithoutAnAccessColumnEverySettingIsEditable) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows, "dra_defaults_190.xml", "ACCESS")));
  EXPECT_EQ(store.settings[15].access, 0);
}

TEST_F(LoadSettingFileTest, EveryOtherColumnIsRequired) {
  for (const char* column : kAllColumns) {
    if (std::string(column) == "ACCESS") continue;
    SettingStore fresh;
    const LoadResult r = LoadSettingFile(
        fresh, Definitions(kDefinitionRows, "dra_defaults_190.xml", column), dir.path());
    EXPECT_FALSE(r) << column;
    EXPECT_NE(r.error.find(column), std::string::npos) << r.error;
  }
}

TEST_F(LoadSettingFileTest, NumbersThatAreNotWhatTheyClaimRefuseTheFile) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows)));
  struct Case {
    const char* what;
    std::vector<std::string> rows;  // a definition file when `definition`, else a setpoint file
    bool definition;
    const char* reason;
  };
  const auto def185 = [](std::vector<std::string> more) {
    return With(Identity("DRA", "185"), more);
  };
  const std::string overload = "G_ORDER=\"10\" MAIN=\"Overload\" MAINTYPE=\"protection\"";
  const Case cases[] = {
      {"fractional setpoint register", With(Identity(), {"REGISTER=\"13.4\" DEFAULT=\"9.00\""}),
       false, "row 3, column REGISTER, value 13.4: not a whole number"},
      {"setpoint register twice",
       With(Identity(), {"REGISTER=\"13\" DEFAULT=\"2.00\"", "REGISTER=\"15\" DEFAULT=\"3.00\"",
                         "REGISTER=\"13\" DEFAULT=\"4.00\""}),
       false, "row 5, column REGISTER, value 13: register 13 already appears in row 3"},
      {"fractional group number", def185({overload, "G_ORDER=\"10.6\" MAIN=\"Other\""}), true,
       "row 4, column G_ORDER, value 10.6: not a whole number"},
      {"group number twice", def185({overload, "G_ORDER=\"10\" MAIN=\"Other\""}), true,
       "row 4, column G_ORDER, value 10: group 10 already appears in row 3"},
      {"definition register twice",
       def185({"GROUP=\"G\" REGISTER=\"30\" SETTING=\"First\"",
               "GROUP=\"G\" REGISTER=\"30\" SETTING=\"Second\""}),
       true, "row 4, column REGISTER, value 30: register 30 already appears in row 3"},
      {"fractional definition register", def185({"GROUP=\"G\" REGISTER=\"122.4\" SETTING=\"S\""}),
       true, "column REGISTER, value 122.4: not a whole number"},
      {"fractional type", def185({"GROUP=\"G\" REGISTER=\"5\" SETTING=\"S\" TYPE=\"1.5\""}), true,
       "row 3, column TYPE, value 1.5: not a whole number"},
      {"fractional order",
       def185({overload, "GROUP=\"Overload\" REGISTER=\"5\" SETTING=\"S\" S_ORDER=\"2.5\""}), true,
       "row 4, column S_ORDER, value 2.5: not a whole number"},
      {"fractional access", def185({"GROUP=\"G\" REGISTER=\"5\" SETTING=\"S\" ACCESS=\"0.5\""}),
       true, "row 3, column ACCESS, value 0.5: not a whole number"},
      {"type beyond 32 bits", def185({"GROUP=\"G\" REGISTER=\"5\" SETTING=\"S\" TYPE=\"1e10\""}),
       true, "column TYPE, value 1e+10: outside -2147483648..2147483647"},
      {"register beyond the table", def185({"GROUP=\"G\" REGISTER=\"1501\" SETTING=\"S\""}), true,
       "column REGISTER, value 1501: outside 0..1500"},
      {"lowest firmware", Identity("DRA", "-2147483648"), false,
       "the Firmware value: row 2, column CFG_VALUE, value \"-2147483648\": outside 0..65535"},
      {"firmware beyond a register", Identity("DRA", "65536"), false, "outside 0..65535"},
      {"firmware beyond 32 bits", Identity("DRA", "99999999999"), false, "outside 0..65535"},
  };
  for (const Case& c : cases) {
    const auto path = c.definition ? Definitions(c.rows, "dra_defaults_185.xml")
                                   : dir.Write("site.xml", SettingXml(c.rows));
    const LoadResult r = Load(path);
    EXPECT_FALSE(r) << c.what;
    EXPECT_NE(r.error.find(c.reason), std::string::npos) << c.what << ": " << r.error;
    // Nothing of the refused file got in.
    EXPECT_EQ(store.definitionFirmware, 190) << c.what;
    EXPECT_EQ(store.settings[13].value, "6.00") << c.what;
    EXPECT_EQ(store.groups[10].name, "Overload") << c.what;
  }
  // The identity read (used before writing a file to a relay) refuses the same firmware.
  const SettingFileIdentity id =
      ReadSettingFileIdentity(dir.Write("low.xml", SettingXml(Identity("DRA", "-2147483648"))));
  EXPECT_FALSE(id.ok);
  EXPECT_NE(id.error.find("outside 0..65535"), std::string::npos) << id.error;
}

TEST_F(LoadSettingFileTest, WholeNumbersWrittenWithAFractionAreTaken) {
  ASSERT_TRUE(Load(Definitions(
      With(Identity(), {"G_ORDER=\"10.0\" MAIN=\"G\" MAINTYPE=\"setpoint\"",
                        "GROUP=\"G\" REGISTER=\"122.0\" SETTING=\"S\" S_ORDER=\"1e0\" TYPE=\"3.0\" "
                        "ACCESS=\"-0\" DEFAULT=\"4\""}))));
  EXPECT_EQ(store.groups[10].RegisterList(), std::vector<int>{122});
  EXPECT_EQ(store.settings[122].setting, "S");
  EXPECT_EQ(store.settings[122].typeCode, 3);
}

TEST_F(LoadSettingFileTest, OrderNumbersHeldAsTextOrderAsNumbers) {
  std::string xml =
      SettingXml(With(Identity(), {"G_ORDER=\"1000\" MAIN=\"Never\"", "G_ORDER=\"5\" MAIN=\"Five\"",
                                   "G_ORDER=\"10\" MAIN=\"Ten\"",
                                   "GROUP=\"Ten\" REGISTER=\"40\" SETTING=\"A\" S_ORDER=\"10\"",
                                   "GROUP=\"Ten\" REGISTER=\"41\" SETTING=\"B\" S_ORDER=\"9\""}));
  for (const char* column : {"G_ORDER", "S_ORDER"}) {
    const std::string number = "attrname=\"" + std::string(column) + "\" fieldtype=\"r8\"";
    xml.replace(xml.find(number), number.size(),
                "attrname=\"" + std::string(column) + "\" fieldtype=\"string\" WIDTH=\"5\"");
  }
  const LoadResult r = Load(dir.Write("dra_defaults_190.xml", xml));
  ASSERT_TRUE(r) << r.error;
  EXPECT_EQ(store.groups[5].name, "Five");  // "1000" < "5" as texts: no longer the end
  EXPECT_EQ(store.groups[10].RegisterList(), (std::vector<int>{41, 40}));
}

TEST_F(LoadSettingFileTest, NoGroupRowsLeaveEveryGroupEmpty) {
  ASSERT_TRUE(Load(Definitions(With(Identity(), {"GROUP=\"G\" REGISTER=\"30\" SETTING=\"S\""}))));
  for (const SettingGroup& g : store.groups) EXPECT_TRUE(g.name.empty());
}

TEST_F(LoadSettingFileTest, DefinitionsOutsideTheTablesAreRefusedAndTheStoreKept) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows)));
  // Each case is a definition file of its own (firmware 185).
  const auto def185 = [](std::vector<std::string> more) {
    return With(Identity("DRA", "185"), more);
  };
  std::vector<std::string> tooMany = def185({"G_ORDER=\"5\" MAIN=\"Big\""});
  for (int i = 0; i < 50; ++i)
    tooMany.push_back("GROUP=\"Big\" REGISTER=\"" + std::to_string(100 + i) + "\" SETTING=\"S\"");
  const std::vector<std::vector<std::string>> bad = {
      def185({"GROUP=\"G\" REGISTER=\"1501\" SETTING=\"Beyond\""}),
      def185({"GROUP=\"G\" REGISTER=\"-1\" SETTING=\"Before\""}),
      def185({"GROUP=\"G\" REGISTER=\"1e9\" SETTING=\"Huge\""}),
      def185({"G_ORDER=\"-1\" MAIN=\"Negative\""}),
      def185({"G_ORDER=\"3\" MAIN=\"G\"", "GROUP=\"G\" REGISTER=\"2000\" SETTING=\"Far\""}),
      def185({"GROUP=\"G\" REGISTER=\"5\" SETTING=\"S\" TYPE=\"x\""}),
      tooMany,
      With(Identity("DRX"), {}),
      With(Identity("DRA", "1.90"), {}),
  };
  for (const auto& rows : bad) {
    const LoadResult r = Load(Definitions(rows, "dra_defaults_185.xml"));
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.error.empty());
    // The store holds exactly the previous load.
    EXPECT_EQ(store.unitName, "DRA");
    EXPECT_EQ(store.definitionFirmware, 190);
    EXPECT_EQ(store.groups[10].name, "Overload");
    EXPECT_EQ(store.settings[15].setting, "LR Time");
    EXPECT_TRUE(store.settings[100].setting.empty());
  }
}

TEST_F(LoadSettingFileTest, ASetpointFileRowOutsideTheTableIsRefused) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows)));
  const auto f =
      dir.Write("site.xml", SettingXml(With(Identity(), {"REGISTER=\"1501\" DEFAULT=\"1\""})));
  EXPECT_FALSE(Load(f));
  EXPECT_EQ(store.settings[13].value, "6.00");
}

TEST_F(LoadSettingFileTest, FortyNineSettingsFitAGroup) {
  std::vector<std::string> rows = With(Identity(), {"G_ORDER=\"5\" MAIN=\"Big\""});
  for (int i = 0; i < 49; ++i)
    rows.push_back("GROUP=\"Big\" REGISTER=\"" + std::to_string(100 + i) + "\" SETTING=\"S\" " +
                   "S_ORDER=\"" + std::to_string(49 - i) + "\"");
  ASSERT_TRUE(Load(Definitions(rows)));
  EXPECT_EQ(store.groups[5].registers[0], 148);
  EXPECT_EQ(store.groups[5].registers[48], 100);
  EXPECT_EQ(store.groups[5].registers[49], kGroupEndMarker);
}

TEST_F(LoadSettingFileTest, ASetpointFileTakesOnlyValuesAndCommentsFromItself) {
  Definitions(kDefinitionRows);
  const auto setpoints = dir.Write(
      "site.xml",
      SettingXml(With(Identity(),
                      {"G_ORDER=\"10\" MAIN=\"Renamed\" MAINTYPE=\"setpoint\"",
                       "GROUP=\"Renamed\" REGISTER=\"15\" SETTING=\"Other name\" TYPE=\"3\" "
                       "MIN=\"7\" MAX=\"8\" DEFAULT=\"42.00\" COMMENTS=\"site note\" UNITS=\"h\"",
                       "GROUP=\"X\" REGISTER=\"700\" SETTING=\"Unknown\" DEFAULT=\"9\""})));
  const LoadResult r = Load(setpoints);
  ASSERT_TRUE(r) << r.error;
  const SettingRecord& e = store.settings[15];
  EXPECT_EQ(e.setting, "LR Time");
  EXPECT_EQ(e.typeCode, 1);
  EXPECT_EQ(e.minText, "0.1");
  EXPECT_EQ(e.units, "s");
  EXPECT_EQ(e.value, "42.00");
  EXPECT_EQ(e.readValue, "42.00");
  EXPECT_EQ(e.comment, "site note");
  EXPECT_EQ(e.readComment, "site note");
  EXPECT_EQ(store.groups[10].name, "Overload");
  // A value for a register the definitions lack lands in an empty entry.
  EXPECT_TRUE(store.settings[700].setting.empty());
  EXPECT_EQ(store.settings[700].value, "9");
  // Settings the file lacks keep their defaults.
  EXPECT_EQ(store.settings[13].value, "6.00");
}

TEST_F(LoadSettingFileTest, ASetpointFileWithoutItsDefinitionFileFails) {
  const auto f = dir.Write("site.xml", SettingXml(Identity("DRA", "185")));
  const LoadResult r = Load(f);
  EXPECT_FALSE(r);
  EXPECT_NE(r.error.find("dra_defaults_185.xml"), std::string::npos) << r.error;
}

TEST_F(LoadSettingFileTest, ASavedFileReopensIdentical) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows)));
  store.settings[13].value = "7.25";
  store.settings[13].comment = "Tuned & checked <ok> \"yes\" 'no' \xC3\xA4\xC3\xB6\xC3\xBC";
  store.settings[600].value =
      "\xC3\x9F"
      "chlo\xC3\x9F & <Co>";
  for (const char* name : {"site.cds", "site.XML"}) {
    ASSERT_TRUE(WriteSettingFile(store, dir / name).ok) << name;
    SettingStore reopened;
    const LoadResult r = LoadSettingFile(reopened, dir / name, dir.path());
    ASSERT_TRUE(r) << name << ": " << r.error;
    for (int reg = 0; reg < kSettingCount; ++reg) {
      EXPECT_EQ(reopened.settings[reg].value, store.settings[reg].value) << name << " " << reg;
      EXPECT_EQ(reopened.settings[reg].comment, store.settings[reg].comment) << name << " " << reg;
      EXPECT_EQ(reopened.settings[reg].setting, store.settings[reg].setting) << name << " " << reg;
    }
  }
  EXPECT_EQ(test::ReadWholeFile(dir / "site.cds").substr(0, 6), "KVXDPK");
  EXPECT_EQ(test::ReadWholeFile(dir / "site.XML").substr(0, 5), "<?xml");
}

TEST_F(LoadSettingFileTest, SavedRowsFollowTheFileLayout) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows)));
  store.settings[13].comment = std::string(60, 'c');
  store.settings[600].value = "\xC3\xA4" + std::string(30, 'v');
  const PacketResult built = BuildSettingPacket(store);
  ASSERT_TRUE(built.ok) << built.error;
  const DataPacket& p = built.packet;
  ASSERT_EQ(p.fields.size(), 16u);
  ASSERT_EQ(p.rows.size(), 2u + 3u + 3u);  // Unit, Firmware, groups 0/10/11, registers 13/15/600
  EXPECT_EQ(CellAsText(p.rows[0][1]), "DRA");
  EXPECT_EQ(CellAsText(p.rows[1][1]), "190");
  EXPECT_EQ(CellAsText(p.rows[2][3]), "System Name");
  EXPECT_EQ(CellAsText(p.rows[4][3]), "Empty");  // group 999 is never written
  EXPECT_EQ(CellAsText(p.rows[5][6]), "13");
  EXPECT_EQ(CellAsText(p.rows[5][15]), std::string(40, 'c'));  // cut to COMMENTS' width
  EXPECT_EQ(CellAsText(p.rows[7][12]), "\xC3\xA4" + std::string(19, 'v'));  // 20 characters
  EXPECT_EQ(CellAsText(p.rows[6][11]), "100");
  EXPECT_TRUE(IsNull(p.rows[5][2]));
}

TEST_F(LoadSettingFileTest, ALongNumberIsNeverCutOnSave) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows)));  // register 15 is a single (type 1)
  const std::string values[] = {
      // As read from the relay (a single with two decimals) ...
      FormatFixed(static_cast<float>(1e17), 2),  // exactly 20 characters
      FormatFixed(static_cast<float>(1e17), 3),
      FormatFixed(static_cast<float>(1e18), 2),
      FormatFixed(static_cast<float>(1e20), 2),
      FormatFixed(static_cast<float>(-3e25), 2),
      FormatFixed(std::numeric_limits<float>::max(), 2),
      // ... and as typed.
      FormatFixed(1e20, 2),
      "123456789012345678901234",
      "-0.1234567890123456789012",
  };
  for (const std::string& v : values) {
    for (const char* name : {"long.cds", "long.xml"}) {
      store.settings[15].value = v;
      const WriteResult w = WriteSettingFile(store, dir / name);
      ASSERT_TRUE(w.ok) << v << ": " << w.error;
      SettingStore back;
      ASSERT_TRUE(LoadSettingFile(back, dir / name, dir.path()));
      const std::string& got = back.settings[15].value;
      const double was = *ParseNumber(v);
      ASSERT_TRUE(ParseNumber(got)) << got;
      // The relay gets the same single, and the grid shows the same text.
      EXPECT_EQ(static_cast<float>(*ParseNumber(got)), static_cast<float>(was)) << v << " " << got;
      EXPECT_EQ(FormatValue(1, got), FormatValue(1, v)) << v << " " << got;
      // Where the double itself fits, it is kept exactly.
      if (FormatShortest(was).size() <= 20) {
        EXPECT_EQ(*ParseNumber(got), was) << v << " " << got;
      }
    }
  }
}

TEST_F(LoadSettingFileTest, ANumberWithoutAShortExactFormRefusesTheSave) {
  ASSERT_TRUE(Load(Definitions(kDefinitionRows)));
  const auto previous = dir.Write("site.cds", "previous");
  struct Case {
    int reg, type;
    std::string value;
    int firmware;
    const char* reason;
  };
  const Case cases[] = {
      // A whole-number setting holds no single: its 22-digit form does not fit.
      {13, 3, "1234567890123456789012345.5", 190, "register 13 (LR Current)"},
      {13, 6, "-1234567890123456789012", 190, "register 13 (LR Current)"},
      // A text that is no number, but whose cut would read as one.
      {13, 1, "123456789012345678901x", 190, "register 13 (LR Current)"},
      {13, 1, "6.00", std::numeric_limits<int>::min(), "the Firmware number"},
  };
  for (const Case& c : cases) {
    SettingStore s = store;
    s.settings[c.reg].typeCode = c.type;
    s.settings[c.reg].value = c.value;
    s.definitionFirmware = c.firmware;
    const WriteResult w = WriteSettingFile(s, previous);
    EXPECT_FALSE(w.ok) << c.value;
    EXPECT_NE(w.error.find(c.reason), std::string::npos) << w.error;
    EXPECT_EQ(test::ReadWholeFile(previous), "previous");
  }
  // A text setting is cut to its 20 characters, as the relay cuts it.
  SettingStore s = store;
  s.settings[600].value = "123456789012345678901234";
  const PacketResult built = BuildSettingPacket(s);
  ASSERT_TRUE(built.ok) << built.error;
  EXPECT_EQ(CellAsText(built.packet.rows.back()[12]), "12345678901234567890");
}

TEST_F(LoadSettingFileTest, IdentityIsReadWithoutLoading) {
  const SettingFileIdentity id = ReadSettingFileIdentity(Definitions(Identity("FDX-50", "110")));
  ASSERT_TRUE(id.ok) << id.error;
  EXPECT_EQ(id.unitName, "FDX-50");
  EXPECT_EQ(id.firmware, 110);
  EXPECT_TRUE(store.unitName.empty());
}

}  // namespace
}  // namespace kvx
