// Moving loaded settings onto another definition file of the same model.

#include <gtest/gtest.h>

#include <string>

#include "setpoints/load_setting_file.h"
#include "setpoints/revision_change.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

SettingStore Load(const char* name) {
  SettingStore s;
  const LoadResult r = LoadSettingFile(s, kDefaults / name, kDefaults);
  EXPECT_TRUE(r.ok) << r.error;
  return s;
}

const RevisionMark* MarkOf(const std::vector<RevisionMark>& marks, int reg) {
  for (const RevisionMark& m : marks)
    if (m.reg == reg) return &m;
  return nullptr;
}

TEST(RevisionChange, Drb120To130) {
  SettingStore old = Load("drb_defaults_120.xml");
  old.settings[67].value = "45";  // Jam Trip Delay: 1.30 allows up to 60
  old.settings[67].comment = "slow conveyor";
  old.settings[65].value = "12";  // Jam Trip Level: above its maximum of 10
  old.settings[65].comment = "set by hand";
  old.settings[600].value = "Pump 4";  // a text: no limits to check
  old.settings[600].comment = "north";
  old.settings[151].value = "2";  // Baud Rate: list type 66 became 69
  SettingStore fresh = Load("drb_defaults_130.xml");
  const std::string baudDefault = fresh.settings[151].value;
  const auto marks = ConvertRevision(fresh, CopyForRevision(old.settings));

  struct Expect {
    int reg;
    RevisionOutcome outcome;
    std::string value, comment, readValue;
    int changed;
  } cases[] = {
      {67, RevisionOutcome::CarriedOver, "45", "slow conveyor", "45", 0},
      {65, RevisionOutcome::OutOfLimits, "12", kOutOfLimitsComment, "12", 1},
      {600, RevisionOutcome::CarriedOver, "Pump 4", "north", "Pump 4", 0},
      {151, RevisionOutcome::NotConverted, baudDefault, kNotConvertedComment, baudDefault, 1},
  };
  for (const Expect& e : cases) {
    SCOPED_TRACE(e.reg);
    const RevisionMark* m = MarkOf(marks, e.reg);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->outcome, e.outcome);
    const SettingRecord& s = fresh.settings[e.reg];
    EXPECT_EQ(s.value, e.value);
    EXPECT_EQ(s.comment, e.comment);
    EXPECT_EQ(s.readValue, e.readValue);
    EXPECT_EQ(s.changed, e.changed);
  }
  // The out-of-limits comment is the new one; what the file said stays readable.
  EXPECT_EQ(fresh.settings[65].readComment, "set by hand");
  EXPECT_EQ(fresh.definitionFirmware, 130);
  // Only setpoint groups are handled; metering registers keep the new file's.
  for (const RevisionMark& m : marks) EXPECT_LT(m.group, kSetpointGroupLimit);
}

TEST(RevisionChange, SettingOnlyTheNewRevisionHasGetsItsDefault) {
  const SettingStore old = Load("drb_defaults_130.xml");
  SettingStore fresh = Load("drb_defaults_170.xml");  // adds the differential CT (218)
  const auto marks = ConvertRevision(fresh, CopyForRevision(old.settings));
  const RevisionMark* m = MarkOf(marks, 218);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->outcome, RevisionOutcome::NotConverted);
  EXPECT_EQ(fresh.settings[218].comment, kNotConvertedComment);
  EXPECT_EQ(fresh.settings[218].changed, 1);
  EXPECT_EQ(fresh.settings[218].value, Load("drb_defaults_170.xml").settings[218].value);
}

TEST(RevisionChange, OutcomeRules) {
  SettingRecord fresh;
  fresh.setting = "Level";
  fresh.typeCode = 1;
  fresh.minText = "1";
  fresh.maxText = "10";
  struct Case {
    RevisionEntry old;
    RevisionOutcome outcome;
  } cases[] = {
      {{"Level", 1, "1", ""}, RevisionOutcome::CarriedOver},  // limits are inclusive
      {{"Level", 1, "10", ""}, RevisionOutcome::CarriedOver},
      {{"Level", 1, "0.99", ""}, RevisionOutcome::OutOfLimits},
      {{"Level", 1, "10.01", ""}, RevisionOutcome::OutOfLimits},
      {{"Other name", 1, "5", ""}, RevisionOutcome::CarriedOver},       // matched by register
      {{"Level", 3, "5", ""}, RevisionOutcome::NotConverted},           // type changed
      {{"", 0, "", ""}, RevisionOutcome::NotConverted},                 // no setting before
      {{"Level", 1, "2026-12-10", ""}, RevisionOutcome::NotConverted},  // no number
  };
  for (const Case& c : cases)
    EXPECT_EQ(ConvertOutcome(c.old, fresh), c.outcome) << c.old.value << "/" << c.old.typeCode;
  fresh.typeCode = 22;
  EXPECT_EQ(ConvertOutcome({"Title", 22, "99999", ""}, fresh), RevisionOutcome::CarriedOver);
}

}  // namespace
}  // namespace kvx
