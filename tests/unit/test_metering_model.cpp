// The metering page's rows: value texts from raw words, sensor markers,
// temperature module rows, per-unit rows and what a failed cycle keeps.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <string>

#include "monitor/metering_log_row.h"
#include "monitor/metering_model.h"
#include "setpoints/grid_rows.h"
#include "setpoints/load_setting_file.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

void PutSingle(std::uint16_t* w, float v) {
  const auto bits = std::bit_cast<std::uint32_t>(v);
  w[0] = static_cast<std::uint16_t>(bits & 0xFFFF);
  w[1] = static_cast<std::uint16_t>(bits >> 16);
}

void PutMeter(MeteringSnapshot& s, int reg, float v) {
  PutSingle(&s.meterWords[static_cast<std::size_t>(reg - 860)], v);
}

void PutDouble(std::uint16_t* w, double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  for (int k = 0; k < 4; ++k) w[k] = static_cast<std::uint16_t>(bits >> (16 * k));
}

// A good snapshot with bases 100 A / 4160 V / differential 50 A / feeder 400 A.
MeteringSnapshot GoodSnapshot(int modules = 1) {
  MeteringSnapshot s;
  s.readOk = true;
  s.rtdModuleText = std::to_string(modules);
  PutSingle(&s.baseWords[0], 100.0f);
  PutSingle(&s.baseWords[2], 4160.0f);
  PutSingle(&s.differentialBaseWords[0], 50.0f);
  PutSingle(&s.feederBaseWords[0], 400.0f);
  PutMeter(s, 860, 85.0f);
  PutMeter(s, 862, 90.0f);
  PutMeter(s, 864, 95.0f);
  PutMeter(s, 868, 4160.0f);
  PutMeter(s, 870, 2080.0f);
  PutMeter(s, 872, 4000.0f);
  PutMeter(s, 884, 5.0f);
  PutMeter(s, 886, 10.0f);
  PutMeter(s, 888, 25.0f);
  for (int r = 902; r < 950; r += 2) PutMeter(s, r, 40.0f + static_cast<float>(r - 902) / 2);
  for (int r = 950; r < 966; r += 2) PutMeter(s, r, 38.5f);
  PutSingle(&s.totalsWords[14], 5.0f);   // 1224
  PutSingle(&s.totalsWords[16], 10.0f);  // 1226
  PutSingle(&s.totalsWords[18], 20.0f);  // 1228: its high word is 1229
  return s;
}

SettingStore Load(const std::string& file) {
  SettingStore store;
  const LoadResult r = LoadSettingFile(store, kDefaults / file, kDefaults);
  EXPECT_TRUE(r.ok) << file << ": " << r.error;
  return store;
}

MeteringModel ModelFor(const SettingStore& store) {
  return MeteringModel(BuildMeteringRows(store), store);
}

const GridRow* RowOf(const std::vector<GridRow>& rows, int reg) {
  for (const GridRow& row : rows) {
    if (row[0] == std::to_string(reg)) return &row;
  }
  return nullptr;
}

std::vector<GridRow> PerUnitRows(const MeteringModel& m) {
  std::vector<GridRow> out;
  for (const GridRow& row : m.MeterRows()) {
    if (row[3] == "pu") out.push_back(row);
  }
  return out;
}

TEST(MeteringValueText, FromTheWordsOfEachKindOfRegister) {
  MeteringSnapshot s;
  PutMeter(s, 860, 12.345f);
  PutMeter(s, 972, -3.5f);
  s.totalsWords[0] = 0x1C20;  // 1210: 7200 s, low word first
  s.totalsWords[1] = 0x0000;
  s.totalsWords[2] = 0xFFFF;  // 1211 shares its low word with 1210's high word
  s.totalsWords[3] = 0xFFFF;
  PutDouble(&s.totalsWords[4], 3600.0 * 1234.56789);  // 1214
  PutSingle(&s.totalsWords[14], 0.875f);              // 1224
  s.totalsWords[19] = 0x4000;                         // 1229: high half beyond the block

  const struct {
    int reg;
    const char* text;
  } cases[] = {
      {860, "12.35"}, {972, "-3.50"}, {1210, "2.00"}, {1214, "1234.5679"}, {1224, "0.88"},
      {1229, "0"},    {974, "0"},     {975, "0"},     {100, "0"},          {1230, "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MeteringValueText(c.reg, s), c.text) << c.reg;
  }
  // 1211: low word 0x0000 (1211), high word 0xFFFF (1212) -> -65536 s.
  EXPECT_EQ(MeteringValueText(1211, s), "-18.20");
}

TEST(MeteringModel, FamilyOneRowsWithPerUnitRowsByDefinitionFirmware) {
  SettingStore store = Load("dra_defaults_230.xml");
  ASSERT_EQ(store.family, 1);
  struct {
    int definitionFirmware;
    std::size_t rows;
  } cases[] = {{229, 6}, {230, 9}};
  for (const auto& c : cases) {
    store.definitionFirmware = c.definitionFirmware;
    MeteringModel m = ModelFor(store);
    const std::size_t before = m.MeterRows().size();
    m.Apply(GoodSnapshot());
    m.Apply(GoodSnapshot());  // rewritten in place, not appended again
    const auto pu = PerUnitRows(m);
    ASSERT_EQ(pu.size(), c.rows) << c.definitionFirmware;
    // The skeleton's trailing empty row is where the per-unit rows begin.
    EXPECT_EQ(m.MeterRows().size(), before - 1 + c.rows);
    EXPECT_EQ(pu[0][1], "   Ia");
    EXPECT_EQ(pu[0][2], "0.85");
    EXPECT_EQ(pu[2][2], "0.95");
    EXPECT_EQ(pu[4][1], "   Vbc");
    EXPECT_EQ(pu[4][2], "0.50");
    if (c.rows == 9) {
      EXPECT_EQ(pu[6][1], "   Differential Current Phase A");
      EXPECT_EQ(pu[6][2], "0.10");  // 1224 = 5 A over 50 A
      EXPECT_EQ(pu[8][2], "0.40");
    }
  }
}

TEST(MeteringModel, PerUnitRowsOfFamiliesTwoAndThreeUseTheirBases) {
  const struct {
    const char* file;
    std::size_t rows;
    const char* last;
  } cases[] = {
      {"drb_defaults_120.xml", 3, "0.95"},  // 95 A / 100 A
      {"drb_defaults_170.xml", 6, "0.50"},  // 888: 25 A / 50 A differential
      {"fdx_defaults_110.xml", 3, "0.24"},  // 95 A / 400 A feeder base
  };
  for (const auto& c : cases) {
    SettingStore store = Load(c.file);
    MeteringModel m = ModelFor(store);
    m.Apply(GoodSnapshot());
    const auto pu = PerUnitRows(m);
    ASSERT_EQ(pu.size(), c.rows) << c.file;
    EXPECT_EQ(pu.back()[2], c.last) << c.file;
  }
}

TEST(MeteringModel, ZeroBaseLeavesThePerUnitValueEmpty) {
  SettingStore store = Load("dra_defaults_230.xml");
  MeteringModel m = ModelFor(store);
  MeteringSnapshot s = GoodSnapshot();
  PutSingle(&s.baseWords[0], 0.0f);  // current base 0
  PutSingle(&s.differentialBaseWords[0], -0.0f);
  m.Apply(s);
  const auto pu = PerUnitRows(m);
  ASSERT_EQ(pu.size(), 9u);
  for (int k : {0, 1, 2, 6, 7, 8}) EXPECT_EQ(pu[k][2], "") << pu[k][1];
  EXPECT_EQ(pu[3][2], "1.00");  // the voltage base is still good
  for (const GridRow& row : m.MeterRows()) {
    EXPECT_EQ(row[2].find("INF"), std::string::npos);
    EXPECT_EQ(row[2].find("NAN"), std::string::npos);
  }
}

TEST(MeteringModel, SensorMarkersOfFamiliesTwoAndThree) {
  const struct {
    const char* file;
    int reg;
    float value;
    const char* shown;
  } cases[] = {
      {"drb_defaults_120.xml", 900, -100.0f, "Unused or PTC"},
      {"drb_defaults_120.xml", 900, -90.0f, "Open"},
      {"drb_defaults_120.xml", 900, -80.0f, "Short"},
      {"drb_defaults_120.xml", 900, -70.0f, "No Data"},
      {"drb_defaults_120.xml", 900, -60.0f, "-60.00"},
      {"drb_defaults_120.xml", 880, -100.0f, "-100.00"},  // not a sensor on family 2
      {"fdx_defaults_110.xml", 880, -100.0f, "Unused or PTC"},
      {"fdx_defaults_110.xml", 880, -80.0f, "Short"},
      {"dra_defaults_230.xml", 900, -100.0f, "-100.00"},  // nor on family 1
  };
  for (const auto& c : cases) {
    SettingStore store = Load(c.file);
    MeteringModel m = ModelFor(store);
    MeteringSnapshot s = GoodSnapshot();
    PutMeter(s, c.reg, c.value);
    m.Apply(s);
    const GridRow* row = RowOf(m.MeterRows(), c.reg);
    ASSERT_NE(row, nullptr) << c.file << " " << c.reg;
    EXPECT_EQ((*row)[2], c.shown) << c.file << " " << c.reg << " " << c.value;
  }
}

TEST(MeteringModel, TemperatureRowsFollowTheModuleCount) {
  SettingStore store = Load("dra_defaults_230.xml");
  const struct {
    const char* modules;
    int activeModuleRows;  // of the 24 module channels
  } cases[] = {{"0", 0}, {"1", 8}, {"3", 24}, {"-1", 0}, {"junk", 0}};
  for (const auto& c : cases) {
    MeteringModel m = ModelFor(store);
    MeteringSnapshot s = GoodSnapshot();
    s.rtdModuleText = c.modules;
    m.Apply(s);
    int moduleRows = 0, localRows = 0;
    for (std::size_t i = 1; i < m.RtdRows().size(); ++i) {
      const GridRow& row = m.RtdRows()[i];
      const int reg = std::stoi(row[0]);
      const bool active = row[4] == "0";
      if (!active) {
        EXPECT_EQ(row[4], "1");
        EXPECT_EQ(row[1], "");
        EXPECT_EQ(row[2], "");
        continue;
      }
      EXPECT_FALSE(row[2].empty()) << reg;
      if (reg < 950) {
        ++moduleRows;
        EXPECT_LT(reg, 902 + 16 * std::stoi(c.modules));
      } else {
        ++localRows;
      }
    }
    EXPECT_EQ(moduleRows, c.activeModuleRows) << c.modules;
    // The local sensors show whenever a module count above zero is read.
    EXPECT_EQ(localRows, c.activeModuleRows > 0 ? 8 : 0) << c.modules;
  }
}

TEST(MeteringModel, TemperatureMarkers) {
  SettingStore store = Load("dra_defaults_230.xml");
  MeteringModel m = ModelFor(store);
  MeteringSnapshot s = GoodSnapshot(1);
  PutMeter(s, 902, -100.0f);
  PutMeter(s, 904, -90.0f);
  PutMeter(s, 906, -80.0f);
  PutMeter(s, 908, -70.0f);
  PutMeter(s, 950, -40.0f);
  PutMeter(s, 952, 300.0f);
  PutMeter(s, 954, -100.0f);
  m.Apply(s);
  const struct {
    int reg;
    const char* shown;
  } cases[] = {{902, "Unused"}, {904, "Open"},    {906, "Short"},   {908, "No Data"},
               {910, "44.00"},  {950, "No Data"}, {952, "No Data"}, {954, "-100.00"}};
  for (const auto& c : cases) {
    const GridRow* row = RowOf(m.RtdRows(), c.reg);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ((*row)[2], c.shown) << c.reg;
  }
}

TEST(MeteringModel, FailedCycleKeepsEveryTextAndClearsTheFreshFlag) {
  SettingStore store = Load("dra_defaults_230.xml");
  MeteringModel m = ModelFor(store);
  EXPECT_FALSE(m.Fresh());
  m.Apply(GoodSnapshot());
  EXPECT_TRUE(m.Fresh());
  EXPECT_FALSE(m.Failed());
  const auto meter = m.MeterRows();
  const auto rtd = m.RtdRows();
  const auto shown = m.ShownRows();

  MeteringSnapshot failed = GoodSnapshot();
  PutMeter(failed, 860, 999.0f);  // half-new words of a cycle that failed
  PutSingle(&failed.baseWords[0], 1.0f);
  failed.rtdModuleText = "3";
  failed.readOk = false;
  m.Apply(failed);
  EXPECT_TRUE(m.Failed());
  EXPECT_FALSE(m.Fresh());
  EXPECT_EQ(m.MeterRows(), meter);
  EXPECT_EQ(m.RtdRows(), rtd);
  EXPECT_EQ(m.ValueText(860), "85.00");

  m.Apply(GoodSnapshot());
  EXPECT_FALSE(m.Failed());
  EXPECT_TRUE(m.TakeFresh());
  EXPECT_FALSE(m.Fresh());
  ASSERT_EQ(m.ShownRows().size(), shown.size());
}

TEST(MeteringModel, ShownRowsAreWhatThePageDisplays) {
  SettingStore store = Load("dra_defaults_230.xml");
  MeteringModel m = ModelFor(store);
  m.Apply(GoodSnapshot(1));
  const auto rows = m.ShownRows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].reg, 860);
  EXPECT_EQ(rows[0].name, "Phase A Current");
  EXPECT_EQ(rows[0].value, "85.00");
  EXPECT_EQ(rows[0].units, "A");
  int perUnit = 0, rtd = 0;
  for (const auto& r : rows) {
    if (r.reg < 0) {
      ++perUnit;
      EXPECT_EQ(r.units, "pu");
    }
    if (r.reg >= 918 && r.reg < 950) ADD_FAILURE() << "inactive row shown: " << r.reg;
    if (r.reg >= 902 && r.reg < 966) ++rtd;
  }
  EXPECT_EQ(perUnit, 9);
  EXPECT_EQ(rtd, 16);
}

// The data log's columns stay put whatever the module count: an inactive
// temperature row keeps its heading and writes an empty value.
TEST(MeteringLogRow, ColumnsStayAlignedWhenTemperatureRowsGoInactive) {
  SettingStore store = Load("dra_defaults_230.xml");
  MeteringModel one = ModelFor(store);
  one.Apply(GoodSnapshot(1));
  MeteringModel three = ModelFor(store);
  three.Apply(GoodSnapshot(3));
  const DataLogRow a = MeteringLogRow(one);
  const DataLogRow b = MeteringLogRow(three);
  ASSERT_EQ(a.names.size(), a.values.size());
  EXPECT_EQ(a.names, b.names);
  ASSERT_FALSE(a.names.empty());
  const auto column = [&a](int reg, const MeteringModel& m) {
    for (std::size_t i = 0; i < a.names.size(); ++i) {
      if (a.names[i] == m.SettingName(reg)) return i;
    }
    return a.names.size();
  };
  for (const std::string& name : a.names) {
    EXPECT_FALSE(name.empty());
    EXPECT_NE(name.front(), ' ') << name;
  }
  // A meter value as the page shows it; a module-2 channel empty with one
  // module, filled with three.
  const std::size_t current = column(860, one);
  ASSERT_LT(current, a.names.size());
  EXPECT_EQ(a.values[current], (*RowOf(one.MeterRows(), 860))[2]);
  const std::size_t channel = column(918, one);
  ASSERT_LT(channel, a.names.size());
  EXPECT_EQ(a.values[channel], "");
  EXPECT_EQ(b.values[channel], (*RowOf(three.RtdRows(), 918))[2]);
  EXPECT_FALSE(b.values[channel].empty());
}

}  // namespace
}  // namespace kvx
