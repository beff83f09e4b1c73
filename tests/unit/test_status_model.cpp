// Status words to panel texts and colours per family, the clock text and the
// identity rule of the re-check.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "monitor/status_model.h"

namespace kvx {
namespace {

using Words = std::array<std::uint16_t, 5>;
constexpr auto B = StatusColor::Black;
constexpr auto Y = StatusColor::Yellow;
constexpr auto R = StatusColor::Red;
constexpr auto G = StatusColor::Green;

const StatusPanel* Find(const std::vector<StatusPanel>& panels, const std::string& name) {
  for (const auto& p : panels) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

struct PanelCase {
  int family;
  Words words;
  const char* panel;
  const char* text;
  std::optional<StatusColor> color;  // empty: the panel keeps its colour
};

TEST(InterpretStatus, PanelTextsAndColoursPerFamily) {
  const PanelCase cases[] = {
      // trips and alarms
      {1, {0x0003, 0, 0, 0, 0}, "first_P", "Trip1 or Trip3 and Alarm1, 2, or 3", R},
      {1, {0x0008, 0, 0, 0, 0}, "first_P", "Interlocks Not Valid", Y},
      {1, {0x0000, 0, 0, 0, 0}, "first_P", "No Alarm or Trip", B},
      {1, {0x0030, 0, 0, 0, 0}, "first_P", "I2t>I2t Inhibit Level and Stop is Pressed", R},
      {1, {0x0040, 0, 0, 0, 0}, "first_P", "No Alarm or Trip", B},  // not a family 1 bit
      {2, {0x0090, 0, 0, 0, 0}, "first_P", "Trip1 and Alarm1", R},
      {2, {0x0300, 0, 0, 0, 0}, "first_P", "Alarm2 and Alarm3", Y},
      {2, {0x0003, 0, 0, 0, 0}, "first_P", "No Alarm or Trip", B},  // family 1 bits
      {3, {0x0060, 0, 0, 0, 0}, "first_P", "Trip2 and Trip3", R},
      // motor state: the last part decides the colour
      {1, {0, 0x0007, 0, 0, 0}, "second_P", "Motor: Run + FS", B},
      {1, {0, 0x000B, 0, 0, 0}, "second_P", "Motor: Run + OC", Y},
      {1, {0, 0x0003, 0, 0, 0}, "second_P", "Motor: Run", G},
      {1, {0, 0x0001, 0, 0, 0}, "second_P", "Motor: Start", Y},
      {1, {0, 0x0002, 0, 0, 0}, "second_P", "Motor: No Current", B},
      {1, {0, 0x003F, 0, 0, 0}, "second_P", "Motor: Run + FS + OC + Temp. Bypass + ROC:ON", Y},
      {1, {0, 0x0037, 0, 0, 0}, "second_P", "Motor: Run + FS + Temp. Bypass + ROC:ON", Y},
      {2, {0, 0x0007, 0, 0, 0}, "second_P", "Motor: Run + ROC:ON", Y},
      {2, {0, 0x000D, 0, 0, 0}, "second_P", "Motor: Start + ROC:ON + OC", Y},
      {3, {0, 0x0001, 0, 0, 0}, "second_P", "Current Detected", G},
      {3, {0, 0x0000, 0, 0, 0}, "second_P", "No Current", B},
      // starter and the other third panels
      {1, {0, 0, 2, 0, 0}, "third_P", "Starter: Run1", G},
      {1, {0, 0, 5, 0, 0}, "third_P", "Starter: Stop", R},
      {1, {0, 0, 6, 0, 0}, "third_P", "Starter: Backspin", R},
      {1, {0, 0, 7, 0, 0}, "third_P", "Starter: ", B},
      {2, {0, 0x0010, 0, 0, 0}, "third_P", "Emergency Thermal Reset: ON", std::nullopt},
      {2, {0, 0x0000, 0, 0, 0}, "third_P", "Emergency Thermal Reset: OFF", std::nullopt},
      {3, {0, 0x0100, 0, 0, 0}, "third_P", "Digital Input: Valid", std::nullopt},
      {3, {0, 0x0000, 0, 0, 0}, "third_P", "Digital Input: Not Valid", std::nullopt},
      // inputs and outputs
      {1, {0, 0, 0, 0x0005, 0}, "dra_dig_P", "Digital In: 1010000", std::nullopt},
      {1, {0, 0, 0, 0x0040, 0}, "dra_dig_P", "Digital In: 0000001", std::nullopt},
      {1, {0, 0, 0, 0, 0x0011}, "dra_ry1_P", "RY1: ON", std::nullopt},
      {1, {0, 0, 0, 0, 0x0011}, "dra_ry2_P", "RY2: OFF", std::nullopt},
      {1, {0, 0, 0, 0, 0x0011}, "dra_ry5_P", "RY5: ON", std::nullopt},
      {2, {0, 0x0100, 0, 0, 0}, "drb_dig_P", "Digital Input: ON", std::nullopt},
      {2, {0, 0x0A00, 0, 0, 0}, "drb_ry1_P", "RY1: ON", std::nullopt},
      {2, {0, 0x0A00, 0, 0, 0}, "drb_ry2_P", "RY2: OFF", std::nullopt},
      {2, {0, 0x0A00, 0, 0, 0}, "drb_ry3_P", "RY3: ON", std::nullopt},
      {3, {0, 0x0002, 0, 0, 0}, "fdx_3Io_P", "3Io > Pickup", R},
      {3, {0, 0x0000, 0, 0, 0}, "fdx_3Io_P", "3Io <= Pickup", B},
      {3, {0, 0x0004, 0, 0, 0}, "fdx_phase_P", "I > Pickup", R},
      {3, {0, 0x0400, 0, 0, 0}, "fdx_ry2_P", "RY2: ON", std::nullopt},
      // registers 1098..1100 mean nothing to families 2 and 3
      {2, {0, 0, 0xFFFF, 0xFFFF, 0xFFFF}, "drb_ry1_P", "RY1: OFF", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto panels = InterpretStatus(c.family, c.words);
    const StatusPanel* p = Find(panels, c.panel);
    ASSERT_NE(p, nullptr) << c.family << " " << c.panel;
    EXPECT_EQ(p->text, c.text) << c.family << " " << c.panel;
    EXPECT_EQ(p->color, c.color) << c.family << " " << c.panel << " " << c.text;
  }
}

TEST(InterpretStatus, EachFamilyFillsItsOwnPanelsInOrder) {
  const auto names = [](int family) {
    std::string out;
    for (const auto& p : InterpretStatus(family, {})) out += p.name + " ";
    return out;
  };
  EXPECT_EQ(names(1),
            "first_P second_P third_P dra_dig_P dra_ry1_P dra_ry2_P dra_ry3_P dra_ry4_P "
            "dra_ry5_P ");
  EXPECT_EQ(names(2), "first_P second_P third_P drb_dig_P drb_ry1_P drb_ry2_P drb_ry3_P ");
  EXPECT_EQ(names(3),
            "first_P second_P third_P fdx_3Io_P fdx_phase_P fdx_ry1_P fdx_ry2_P fdx_ry3_P ");
  EXPECT_EQ(names(0), "");
}

TEST(ClockText, HoursMinutesSecondsFromTheTwoWords) {
  EXPECT_EQ(ClockText({0x0900, 0x0A1E}), "10:30:09");
  EXPECT_EQ(ClockText({0x3B00, 0x173B}), "23:59:59");
  EXPECT_EQ(ClockText({0x0000, 0x0000}), "00:00:00");
}

TEST(IdentityMatches, CodeFamilyAndFirmware) {
  const struct {
    int family;
    int unitFirmware;
    const char* code;
    const char* firmware;
    bool matches;
  } cases[] = {
      {1, 231, "201", "231", true},  {1, 231, "1201", "231", true}, {1, 231, "201", "232", false},
      {1, 231, "301", "231", false}, {2, 100, "301", "95", true},  // below 1.00 counts as 1.00
      {2, 95, "301", "95", true},  // a relay reporting 0.95 stays connected
      {2, 95, "301", "100", true},   {2, 120, "1301", "120", true}, {2, 120, "301", "121", false},
      {3, 110, "302", "110", true},  {3, 110, "1302", "95", false}, {3, 110, "301", "110", false},
      {1, 231, "999", "231", false}, {0, 231, "201", "231", false}, {1, 231, "", "231", false},
      {1, 231, "201", "x", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IdentityMatches(c.family, c.unitFirmware, c.code, c.firmware), c.matches)
        << c.family << " " << c.unitFirmware << " " << c.code << " " << c.firmware;
  }
}

StatusSnapshot Good(Words words, std::array<std::uint16_t, 2> clock = {0x0900, 0x0A1E}) {
  StatusSnapshot s;
  s.readOk = true;
  s.statusWords = words;
  s.clockWords = clock;
  return s;
}

TEST(StatusModel, FailureTouchesOnlyTheConnectionPanel) {
  StatusModel m(2, 120);
  EXPECT_EQ(m.Apply(Good({0x0010, 0x0011, 0, 0, 0})), StatusOutcome::Shown);
  EXPECT_EQ(m.NetworkText(), "ONLINE");
  EXPECT_EQ(m.NetworkColor(), G);
  EXPECT_EQ(m.TimeText(), "10:30:09");
  const auto panels = m.Panels();
  // The thermal reset panel keeps the colour it had: black at first.
  EXPECT_EQ(m.Panel("third_P")->color, B);

  StatusSnapshot failed = Good({0, 0, 0, 0, 0}, {0, 0});
  failed.readOk = false;
  EXPECT_EQ(m.Apply(failed), StatusOutcome::ReadFailed);
  EXPECT_EQ(m.NetworkText(), "Communications Error");
  EXPECT_EQ(m.NetworkColor(), R);
  EXPECT_EQ(m.TimeText(), "10:30:09");
  ASSERT_EQ(m.Panels().size(), panels.size());
  for (std::size_t i = 0; i < panels.size(); ++i) EXPECT_EQ(m.Panels()[i].text, panels[i].text);

  m.NoteMeteringFailed();
  EXPECT_EQ(m.NetworkText(), "Read Error");
  EXPECT_EQ(m.NetworkColor(), Y);
}

TEST(StatusModel, IdentityIsCheckedOnlyWhenReRead) {
  StatusModel m(1, 231);
  StatusSnapshot s = Good({0, 0, 0, 0, 0});
  s.modelCodeText = "201";
  s.firmwareText = "232";
  EXPECT_EQ(m.Apply(s), StatusOutcome::Shown);  // not re-read this cycle: not looked at
  s.identityRead = true;
  EXPECT_EQ(m.Apply(s), StatusOutcome::IdentityChanged);
  EXPECT_EQ(m.NetworkText(), "Communications Error");
  s.firmwareText = "231";
  EXPECT_EQ(m.Apply(s), StatusOutcome::Shown);
}

}  // namespace
}  // namespace kvx
