// The simulator with the shipped definition files: which file a model and
// firmware use, and that every setting reads back as its DEFAULT and is
// guarded by its limits and access, as the program's own codec sees it.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "setpoints/load_setting_file.h"
#include "setpoints/setting_codec.h"
#include "setpoints/type_codes.h"
#include "sim/modbus_request_handler.h"
#include "sim/relay_simulation.h"

namespace kvx::sim {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

TEST(SimDefinitions, ModelAndFirmwareFindTheirFileWithTheOlderFallback) {
  struct Case {
    const char* model;
    int firmware;
    const char* file;  // empty: none
  } cases[] = {
      {"DRA", 185, "dra_defaults_185.xml"},          {"DRA", 197, "dra_defaults_190.xml"},
      {"DRA", 214, "dra_defaults_210.xml"},          {"DRA", 189, "dra_defaults_185.xml"},
      {"DRA", 255, "dra_defaults_230.xml"},          {"DRA", 150, ""},
      {"DRB-50", 95, "drb_defaults_100.xml"},        {"DRB-50", 123, "drb_defaults_120.xml"},
      {"QRT-2600", 107, "qrt2600_defaults_100.xml"}, {"FDX-50", 119, "fdx_defaults_110.xml"},
  };
  for (const Case& c : cases) {
    auto path = FindDefinitionFile(kDefaults, *FindSimModel(c.model), c.firmware);
    EXPECT_EQ(path.filename().string(), c.file) << c.model << " " << c.firmware;
  }
}

bool IsLive(int reg) {
  return reg <= 3 || reg == 6 || (reg >= 576 && reg <= 599) || (reg >= 860 && reg <= 1065) ||
         (reg >= 1096 && reg <= 1118) || (reg >= 1210 && reg <= 1229) || reg == 390;
}

class EveryDefinitionFile : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(EveryDefinitionFile, SettingsReadAsTheirDefaultsAndRefuseBadWrites) {
  SettingStore store;
  ASSERT_TRUE(LoadSettingFile(store, GetParam(), kDefaults).ok);
  std::string error;
  auto config = MakeRelayConfig(store.unitName, store.definitionFirmware, kDefaults, error);
  ASSERT_TRUE(config) << error;
  ASSERT_EQ(config->definition.sourceFile, GetParam().string()) << error;
  SimulatedRelay relay(*config);
  ModbusRequestHandler handler(relay);
  auto read = [&handler](int reg, int count) {
    std::vector<std::uint8_t> r = handler.Handle(
        {{0x03, static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg & 0xFF), 0,
          static_cast<std::uint8_t>(count)}});
    std::vector<std::uint16_t> w;
    for (std::size_t i = 2; i + 1 < r.size(); i += 2)
      w.push_back(static_cast<std::uint16_t>(r[i] << 8 | r[i + 1]));
    return w;
  };
  auto write = [&handler](int reg, const std::vector<std::uint16_t>& words) {
    std::vector<std::uint8_t> pdu{
        0x10, static_cast<std::uint8_t>(reg >> 8),     static_cast<std::uint8_t>(reg & 0xFF),
        0,    static_cast<std::uint8_t>(words.size()), static_cast<std::uint8_t>(2 * words.size())};
    for (auto w : words) {
      pdu.push_back(static_cast<std::uint8_t>(w >> 8));
      pdu.push_back(static_cast<std::uint8_t>(w & 0xFF));
    }
    auto r = handler.Handle(pdu);
    return (r[0] & 0x80) ? r[1] : 0;
  };
  int checked = 0;
  for (int reg = 0; reg < kSettingCount; ++reg) {
    const SettingRecord& s = store.settings[reg];
    if (s.setting.empty() || IsLive(reg)) continue;
    const TypeCodeInfo info = DescribeTypeCode(s.typeCode);
    if (info.read == ReadForm::None) continue;
    const EncodedSetting expected = EncodeSetting(s.typeCode, s.value);
    if (expected.kind != EncodedSetting::Kind::Words) continue;
    auto words = read(reg, info.registers);
    ASSERT_EQ(DecodeSetting(s.typeCode, words),
              DecodeSetting(s.typeCode,
                            {expected.words.data(), static_cast<std::size_t>(expected.count)}))
        << s.setting << " at " << reg;
    ++checked;
    // the relay's own value goes back in unless the setting is read-only
    EXPECT_EQ(write(reg, words), s.access == 0 ? 0 : 3) << s.setting << " at " << reg;
    if (s.access == 0 && info.write == WriteForm::Unsigned) {
      const double max = std::stod(s.maxText);
      if (max < 65535) {
        EXPECT_EQ(write(reg, {static_cast<std::uint16_t>(max + 1)}), 3)
            << s.setting << " at " << reg;
      }
    }
  }
  EXPECT_GT(checked, 20);
}

std::vector<std::filesystem::path> DefinitionFiles() {
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(kDefaults)) {
    if (e.path().extension() == ".xml") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

INSTANTIATE_TEST_SUITE_P(Defaults, EveryDefinitionFile, ::testing::ValuesIn(DefinitionFiles()),
                         [](const auto& info) { return info.param.stem().string(); });

TEST(SimDefinitions, MeteringFollowsTheDefinitionsReadings) {
  std::string error;
  auto config = MakeRelayConfig("FDX-50", 110, kDefaults, error);
  ASSERT_TRUE(config) << error;
  SimulatedRelay relay(*config);
  auto single = [&relay](int reg) {
    std::uint16_t w[2];
    relay.ReadRegisters(static_cast<std::uint16_t>(reg), 2, w);
    return std::bit_cast<float>(static_cast<std::uint32_t>(w[0] | (w[1] << 16)));
  };
  EXPECT_NEAR(single(860), 0.62f * 400, 10) << "phase A on the 400 A feeder base";
  EXPECT_LT(single(868), 5.0f) << "residual current 3Io is small";
  EXPECT_NEAR(single(876), 60.0f, 0.5f) << "frequency";
  EXPECT_NEAR(single(880), 38.5f, 1.0f) << "temperature";
  EXPECT_NEAR(single(1224), 1.15f * 400, 1) << "peak demand current";
}

}  // namespace
}  // namespace kvx::sim
