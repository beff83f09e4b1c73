// The rules under the connect and password sequences: which definition file
// a relay gets, when its serial number shows, how file and definition
// firmware compare, how passwords compare, the grace-period deadline, and how
// a typed setting value is checked.

#include <gtest/gtest.h>

#include <limits>

#include "session/access_gate.h"
#include "session/definition_choice.h"
#include "session/password_rules.h"
#include "session/setting_edit.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;

UnitModel Model(const char* name) {
  return *FindUnitModelByName(name);
}

TEST(DefinitionChoice, FileNumberAndSerialRuleForEveryModel) {
  struct Case {
    const char* model;
    int firmware;
    int file;
    bool serial;
  };
  const Case cases[] = {
      {"DRA", 185, 185, false},     {"DRA", 190, 190, false},    {"DRA", 197, 190, false},
      {"DRA", 209, 200, false},     {"DRA", 214, 210, true},     {"DRA", 99, 99, false},
      {"DRB-50", 95, 100, false},   {"DRB-50", 119, 110, false}, {"DRB-50", 123, 120, true},
      {"FDX-50", 42, 100, true},    {"FDX-50", 117, 110, true},  {"QRT-2600", 107, 100, true},
      {"QRT-3600", 199, 190, true}, {"QRT-4700", 95, 90, true},
  };
  for (const Case& c : cases) {
    const int n = DefinitionFileNumber(Model(c.model), c.firmware);
    EXPECT_EQ(n, c.file) << c.model << " " << c.firmware;
    EXPECT_EQ(ShowsSerialNumber(Model(c.model), n), c.serial) << c.model << " " << c.firmware;
  }
}

TEST(DefinitionChoice, FileAndDefinitionFirmwareCompareAfterTheFamilyRounding) {
  struct Case {
    int family, file, loaded;
    bool same;
  };
  const Case cases[] = {
      {1, 185, 190, false}, {1, 197, 190, true},  {1, 187, 185, false}, {1, 214, 210, true},
      {2, 125, 120, true},  {2, 131, 120, false}, {3, 109, 100, true},  {3, 95, 100, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComparableFirmware(c.family, c.file) == ComparableFirmware(c.family, c.loaded),
              c.same)
        << c.family << " " << c.file << " " << c.loaded;
  }
}

TEST(DefinitionChoice, RoundingHoldsForEveryInt) {
  constexpr int kMin = std::numeric_limits<int>::min();
  constexpr int kMax = std::numeric_limits<int>::max();
  EXPECT_EQ(ComparableFirmware(2, kMin), kMin);  // INT_MIN - 8 does not exist: saturates
  EXPECT_EQ(ComparableFirmware(2, kMin + 8), kMin + 8);
  EXPECT_EQ(ComparableFirmware(2, kMin + 9), kMin + 8);
  EXPECT_EQ(ComparableFirmware(1, kMax), 2147483640);
  EXPECT_EQ(ComparableFirmware(3, -5), -10);
  EXPECT_EQ(ComparableFirmware(1, -5), -5);
  EXPECT_EQ(DefinitionFileNumber(Model("QRT-3600"), kMin), kMin);
  EXPECT_EQ(DefinitionFileNumber(Model("DRA"), kMax), 2147483640);
  EXPECT_EQ(DefinitionFileNumber(Model("DRB-50"), kMin), 100);
}

TEST(PasswordRules, FirstFourCharactersCaseSensitiveShorterTextsWhole) {
  struct Case {
    const char* stored;
    const char* typed;
    bool match;
  };
  const Case cases[] = {
      {"1234", "1234", true},  {"123456", "1234", true}, {"123456", "1239", false},
      {"abcd", "ABCD", false}, {"12", "12", true},       {"12", "123", false},
      {"12", "1", false},      {"", "", true},           {"1234", "", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PasswordMatches(c.stored, c.typed), c.match) << c.stored << " / " << c.typed;
  }
}

TEST(PasswordRules, NewPasswordNeedsFourKeypadCharactersUnlessTheLimitIsOff) {
  EXPECT_TRUE(NewPasswordAcceptable("aZ9/", true));
  EXPECT_TRUE(NewPasswordAcceptable("- . ", true));
  EXPECT_FALSE(NewPasswordAcceptable("12", true));
  EXPECT_FALSE(NewPasswordAcceptable("12345", false));
  EXPECT_FALSE(NewPasswordAcceptable("12#4", true));
  EXPECT_TRUE(NewPasswordAcceptable("12#4", false));
}

TEST(SettingEdit, EditorCharacterSetsAtTheirEdges) {
  // Text settings take the keypad's characters; comments any printable ASCII.
  struct Case {
    char c;
    bool text;
    bool comment;
  };
  const Case cases[] = {
      {'-', true, true},      {',', false, true},   {'/', true, true},  {'9', true, true},
      {':', false, true},     {'A', true, true},    {'@', false, true}, {'z', true, true},
      {'{', false, true},     {' ', true, true},    {'~', false, true}, {'\x7f', false, false},
      {'\x1f', false, false}, {'\t', false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsTextSettingCharacter(c.c), c.text) << int(c.c);
    EXPECT_EQ(IsTextSettingCharacter(c.c), IsKeypadPasswordCharacter(c.c)) << int(c.c);
    EXPECT_EQ(IsCommentCharacter(c.c), c.comment) << int(c.c);
  }
}

TEST(AccessGate, DeadlineFromTheUnlockTimeoutChangesRestartARunningTimer) {
  using TP = std::chrono::steady_clock::time_point;
  const TP ten = TP{} + 10h;
  AccessGate gate;
  EXPECT_TRUE(gate.AccessGranted(ten)) << "nothing to protect before a connect";
  gate.Lock();
  EXPECT_FALSE(gate.AccessGranted(ten));
  gate.Unlock(ten);
  EXPECT_TRUE(gate.AccessGranted(ten + 4min + 59s));
  EXPECT_FALSE(gate.AccessGranted(ten + 5min)) << "the timer fires at the deadline";
  EXPECT_FALSE(gate.TimerRunning());

  gate.Unlock(ten);
  gate.SetTimeout(300000ms, ten + 4min);  // same interval: keeps counting
  EXPECT_FALSE(gate.AccessGranted(ten + 5min));
  gate.Unlock(ten);
  gate.SetTimeout(60s, ten + 4min);  // new interval: counts again from 10:04
  EXPECT_TRUE(gate.AccessGranted(ten + 4min + 59s));
  EXPECT_FALSE(gate.AccessGranted(ten + 5min));
  gate.SetTimeout(10s, ten + 6min);  // no timer running: the flag stays as it is
  EXPECT_FALSE(gate.AccessGranted(ten + 6min));

  gate.Unlock(ten);
  gate.Open();  // a disconnect: access without a timer
  EXPECT_TRUE(gate.AccessGranted(ten + 1h));
}

TEST(SettingEdit, LimitsListsTextsAndReadOnlySettings) {
  SettingRecord number;
  number.setting = "Overload Pickup";
  number.typeCode = 3;
  number.minText = "1";
  number.maxText = "10";
  SettingRecord list = number;
  list.setting = "Trip Relay";
  list.typeCode = 6;  // "Enabled", "Disabled"
  list.minText = "0";
  list.maxText = "1";
  SettingRecord text = number;
  text.setting = "Relay Title";
  text.typeCode = 22;
  SettingRecord readOnly = number;
  readOnly.access = 1;
  SettingRecord real = number;  // type 1: a float pair, two decimals kept
  real.setting = "Jam Trip Level";
  real.typeCode = 1;
  SettingRecord signedPair = number;  // type 2: a 32-bit integer pair
  signedPair.typeCode = 2;
  signedPair.minText = "-100000";
  signedPair.maxText = "100000";

  struct Case {
    const SettingRecord* setting;
    const char* typed;
    const char* stored;  // nullptr: refused
  };
  const Case cases[] = {
      {&number, "10", "10"},
      {&number, "1", "1"},
      {&number, "6.0", "6"},
      {&number, "5.37", nullptr},  // the relay's register would round it
      {&number, "5.5", nullptr},
      {&number, "11", nullptr},
      {&number, "0.99", nullptr},
      {&number, "five", nullptr},
      {&real, "5.37", "5.37"},
      {&real, "10", "10.00"},
      {&real, "10.01", nullptr},
      {&signedPair, "-70000", "-70000"},
      {&signedPair, "2.5", nullptr},
      {&list, "1", "1"},
      {&list, "Enabled", "0"},
      {&list, "2", nullptr},
      {&list, "-1", nullptr},
      {&text, "Pump 7/a-b.c", "Pump 7/a-b.c"},
      {&text, "ab#c", nullptr},
      {&text, "123456789012345678901", nullptr},
      {&readOnly, "5", nullptr},
  };
  for (const Case& c : cases) {
    const SettingEdit e = CheckSettingEdit(*c.setting, c.typed);
    EXPECT_EQ(e.ok, c.stored != nullptr) << c.setting->setting << " " << c.typed << " " << e.error;
    if (c.stored && e.ok) {
      EXPECT_EQ(e.valueText, c.stored) << c.typed;
    }
    if (!c.stored) {
      EXPECT_FALSE(e.error.empty());
    }
  }
}

TEST(SettingValueCheck, RefusesWhatTheRelayWouldRefuseOrChange) {
  SettingRecord base;
  base.setting = "Some Setting";
  base.minText = "1";
  base.maxText = "10";
  auto with = [&base](int type, std::string value, std::string min = "1", std::string max = "10") {
    SettingRecord s = base;
    s.typeCode = type;
    s.value = std::move(value);
    s.minText = std::move(min);
    s.maxText = std::move(max);
    return s;
  };
  SettingRecord readOnly = with(3, "999");
  readOnly.access = 1;
  SettingRecord none = with(3, "999");
  none.setting.clear();

  struct Case {
    SettingRecord setting;
    const char* problem;  // part of the reason; nullptr: accepted
  };
  const Case cases[] = {
      {with(1, "3.00"), nullptr},
      {with(1, "10.00"), nullptr},
      {with(1, "10.01"), "outside 1 .. 10"},
      {with(1, "0.5"), "outside"},
      {with(1, "x"), "not a number"},
      {with(1, ""), "not a number"},
      {with(3, "5"), nullptr},
      {with(3, "5.5"), "not a whole number"},
      {with(3, "70000", "0", "100000"), "outside"},  // beyond the 16-bit register
      {with(2, "-5", "-10", "10"), nullptr},
      {with(2, "-5.25", "-10", "10"), "not a whole number"},
      {with(6, "1", "0", "1"), nullptr},  // a list: index 0..MAX
      {with(6, "2", "0", "1"), "outside"},
      {with(6, "1.5", "0", "1"), "not a whole number"},
      {with(6, "2", "0", "5"), "beyond the 2 choices"},
      {with(22, "Pump 7 north #2"), nullptr},  // a file may hold any Latin-1 text
      {with(22, "12345678901234567890"), nullptr},
      {with(22, "123456789012345678901"), "longer than 20"},
      {with(22, "Pumpe \xC3\xBC"), nullptr},            // u-umlaut is Latin-1
      {with(22, "Pump \xE2\x82\xAC"), "cannot store"},  // the euro sign is not
      {with(22, "bad \xFF"), "not valid UTF-8"},
      {with(23, "garbage"), nullptr},  // a date is never written
      {readOnly, nullptr},
      {none, nullptr},
  };
  for (const Case& c : cases) {
    const std::string problem = SettingValueProblem(c.setting);
    if (c.problem) {
      EXPECT_NE(problem.find(c.problem), std::string::npos)
          << c.setting.typeCode << " '" << c.setting.value << "': " << problem;
    } else {
      EXPECT_EQ(problem, "") << c.setting.typeCode << " '" << c.setting.value << "'";
    }
  }
}

TEST(SettingValueCheck, ListsEveryRefusedSettingOfTheSetpointGroupsOnce) {
  SettingStore store;
  auto put = [&store](int reg, int type, std::string value, std::string max = "10") {
    SettingRecord& s = store.settings[reg];
    s.setting = "Setting " + std::to_string(reg);
    s.typeCode = type;
    s.minText = "0";
    s.maxText = std::move(max);
    s.value = std::move(value);
  };
  put(20, 3, "5");
  put(24, 3, "5.5");
  put(65, 1, "999");
  put(700, 3, "999");  // only in a group beyond the setpoint groups: never written
  store.groups[1].name = "Ratings";
  store.groups[1].registers = {};
  store.groups[1].registers[0] = 20;
  store.groups[1].registers[1] = 65;
  store.groups[1].registers[2] = 24;
  store.groups[1].registers[3] = kGroupEndMarker;
  store.groups[2].name = "Again";
  store.groups[2].registers[0] = 65;
  store.groups[2].registers[1] = kGroupEndMarker;
  store.groups[100].name = "Metering";
  store.groups[100].registers[0] = 700;
  store.groups[100].registers[1] = kGroupEndMarker;

  const std::vector<RefusedValue> refused = RefusedValuesToWrite(store);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(DescribeRefusedValue(refused[0]),
            "register 24 (Setting 24): 5.5 is not a whole number");
  EXPECT_EQ(DescribeRefusedValue(refused[1]), "register 65 (Setting 65): 999 is outside 0 .. 10");

  // The relay's own definitions may be narrower than the file's.
  SettingStore unit = store;
  unit.settings[20].maxText = "4";
  const std::vector<RefusedValue> narrower = RefusedValuesToWrite(store, &unit);
  ASSERT_EQ(narrower.size(), 3u);
  EXPECT_EQ(narrower[0].reg, 20);
  EXPECT_NE(narrower[0].reason.find("the relay's own definitions"), std::string::npos);
}

}  // namespace
}  // namespace kvx
