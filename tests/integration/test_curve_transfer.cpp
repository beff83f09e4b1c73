// What passes between a curve window and the setting table or the relay:
// the groups "Plot Chart" reads, "Apply Changes" of the window's values with
// its read-back and its stop at the first failure, and the hand-back of
// pending edits. Against the in-process simulated relay over loopback TCP.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "curves/feeder_curves.h"
#include "curves/motor_curves.h"
#include "session/curve_transfer.h"
#include "session/working_state.h"
#include "setpoints/number_text.h"
#include "setpoints/register_values.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

struct Bench {
  explicit Bench(std::string_view model, int firmware) {
    std::string error;
    auto config = sim::MakeRelayConfig(model, firmware, kDefaults, error);
    EXPECT_TRUE(config) << error;
    relay = std::make_unique<sim::RelaySimulation>(*config);
    EXPECT_TRUE(relay->StartTcp().ok);
    state.Tcp().SetRemoteHost("127.0.0.1");
    state.Tcp().SetRemotePort(static_cast<std::uint16_t>(relay->TcpPort()));
    state.Comm().protocol = ProtocolKind::ModbusTcp;
  }
  SettingRecord& setting(int x) { return state.Store().settings.at(x); }
  // What the relay holds at x, read afresh over the link.
  std::optional<double> OnRelay(int x) {
    std::string text;
    if (!ReadSetting(state.Comm(), x, setting(x).typeCode, text)) return std::nullopt;
    return ParseNumber(text);
  }
  // The DRA record as the window would hand it over, with `changes` made.
  std::vector<CurveRecordValue> Record(const std::vector<std::pair<int, std::string>>& changes) {
    DraPlotData record = FillDraPlotData(state.Store());
    for (const auto& [row, value] : changes) record.Value(row) = value;
    std::vector<CurveRecordValue> values;
    for (int row = 0; row < kDraRecordRows; ++row)
      values.push_back({kDraRecordRegisters[static_cast<std::size_t>(row)], record.Value(row)});
    return values;
  }
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;
  WorkingState state{dialogs, passwords, kDefaults};
  std::unique_ptr<sim::RelaySimulation> relay;
};

TEST(CurveTransfer, ApplyWritesEveryValueAndReadsItBack) {
  Bench b("DRA", 197);
  ASSERT_TRUE(b.state.ConnectUnit());
  b.passwords.AddPassword("1234");
  const int jamDelay = kDraRecordRegisters[8];
  const auto values = b.Record({{8, "7.00"}});
  const CurveApplyResult r = ApplyCurveValues(b.state, values);
  EXPECT_TRUE(r.passedGate);
  ASSERT_TRUE(r.ok) << r.reason;
  EXPECT_EQ(r.completed, kDraRecordRows);
  EXPECT_EQ(b.OnRelay(jamDelay), 7.0);
  for (const CurveRecordValue& v : values) {
    EXPECT_EQ(b.setting(v.reg).changed, 0) << v.reg;
    EXPECT_EQ(b.setting(v.reg).readValue, b.setting(v.reg).value) << v.reg;
  }
  EXPECT_FALSE(b.state.PendingChanges());
}

TEST(CurveTransfer, WrongPasswordChangesNothing) {
  Bench b("DRA", 197);
  ASSERT_TRUE(b.state.ConnectUnit());
  b.passwords.AddPassword("9999");
  const int jamDelay = kDraRecordRegisters[8];
  const auto before = b.OnRelay(jamDelay);
  const std::string loaded = b.setting(jamDelay).value;
  const CurveApplyResult r = ApplyCurveValues(b.state, b.Record({{8, "7.00"}}));
  EXPECT_FALSE(r.passedGate);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(b.OnRelay(jamDelay), before);
  EXPECT_EQ(b.setting(jamDelay).value, loaded);
  EXPECT_EQ(b.setting(jamDelay).changed, 0);
}

// A value the relay does not take stops the apply there: what went before
// is on the relay, the rest is not written and stays a pending edit.
TEST(CurveTransfer, ApplyStopsAtTheFirstRefusalAndKeepsTheRestPending) {
  Bench b("DRA", 197);
  ASSERT_TRUE(b.state.ConnectUnit());
  b.passwords.AddPassword("1234");
  const int ocDelay = kDraRecordRegisters[4];    // the relay allows 0 ... 10
  const int auxDelay = kDraRecordRegisters[6];   // after it in the record
  const int lrCurrent = kDraRecordRegisters[0];  // before it
  const auto auxBefore = b.OnRelay(auxDelay);
  const std::string auxRead = b.setting(auxDelay).readValue;
  const CurveApplyResult r =
      ApplyCurveValues(b.state, b.Record({{0, "7.00"}, {4, "99.00"}, {6, "4.00"}}));
  EXPECT_TRUE(r.passedGate);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.failedRegister, ocDelay);
  EXPECT_EQ(r.completed, 4);
  EXPECT_FALSE(r.reason.empty());
  // Before the failure: written and verified.
  EXPECT_EQ(b.OnRelay(lrCurrent), 7.0);
  EXPECT_EQ(b.setting(lrCurrent).changed, 0);
  // The failed one and those after: the window's values as pending edits,
  // the last confirmed values kept as what the relay holds.
  EXPECT_EQ(b.setting(ocDelay).value, "99.00");
  EXPECT_EQ(b.setting(ocDelay).changed, 1);
  EXPECT_EQ(b.setting(auxDelay).value, "4.00");
  EXPECT_EQ(b.setting(auxDelay).changed, 1);
  EXPECT_EQ(b.setting(auxDelay).readValue, auxRead);
  EXPECT_EQ(b.OnRelay(auxDelay), auxBefore) << "nothing after the failure is written";
  EXPECT_TRUE(b.state.PendingChanges());
}

TEST(CurveTransfer, OfflineApplyTakesTheValuesAsApplied) {
  Bench b("DRA", 197);
  ASSERT_TRUE(b.state.OpenDefaultsFile(kDefaults / "dra_defaults_190.xml"));
  ASSERT_FALSE(b.state.Online());
  b.passwords.AddPassword("1234");
  const auto values = b.Record({{8, "7.00"}});
  const CurveApplyResult r = ApplyCurveValues(b.state, values);
  ASSERT_TRUE(r.ok);
  for (const CurveRecordValue& v : values) {
    EXPECT_EQ(b.setting(v.reg).value, v.value);
    EXPECT_EQ(b.setting(v.reg).readValue, v.value);
    EXPECT_EQ(b.setting(v.reg).changed, 0);
  }
  EXPECT_TRUE(b.state.UnsavedChanges());
}

TEST(CurveTransfer, HandBackMarksOnlyWhatDiffers) {
  Bench b("DRA", 197);
  ASSERT_TRUE(b.state.OpenDefaultsFile(kDefaults / "dra_defaults_190.xml"));
  auto values = b.Record({});
  // Unchanged values are no edits, also as the window formats them.
  EXPECT_TRUE(HandBackCurveValues(b.state.Store().settings, values).empty());
  for (CurveRecordValue& v : values) v.value = FormatFixed(ParseNumber(v.value).value(), 2);
  EXPECT_TRUE(HandBackCurveValues(b.state.Store().settings, values).empty());
  values[3].value = "12.00";
  values[8].value = "9.00";
  const std::vector<int> changed = HandBackCurveValues(b.state.Store().settings, values);
  EXPECT_EQ(changed, (std::vector<int>{kDraRecordRegisters[3], kDraRecordRegisters[8]}));
  EXPECT_EQ(b.setting(kDraRecordRegisters[3]).value, "12.00");
  EXPECT_EQ(b.setting(kDraRecordRegisters[3]).changed, 1);
  EXPECT_EQ(b.setting(kDraRecordRegisters[4]).changed, 0);
}

TEST(CurveTransfer, CurveGroupsByFamily) {
  Bench b("DRA", 197);
  const std::vector<std::string> motor = {"Overload", "Overcurrent", "Aux Overcurrent",
                                          "Jam",      "System Name", "System Ratings"};
  const std::vector<std::string> feeder = {"Overload G1",
                                           "Overload G2",
                                           "Phase Inverse G1",
                                           "Phase Inverse G2",
                                           "Phase Definite Time G1",
                                           "Phase Definite Time G2",
                                           "Earth Fault 3Io Inverse G1",
                                           "Earth Fault 3Io Inverse G2",
                                           "Earth Fault 3Io Definite Time G1",
                                           "Earth Fault 3Io Definite Time G2",
                                           "Earth Fault CT-Input Definite Time G1",
                                           "Earth Fault CT-Input Definite Time G2",
                                           "System Name",
                                           "System Ratings"};
  struct Case {
    const char* file;
    int family;
    const std::vector<std::string>& names;
    std::vector<std::string> mustHave;
  };
  for (const Case& c :
       {Case{"dra_defaults_190.xml", 1, motor, {"Overload", "Jam"}},
        Case{"drb_defaults_130.xml", 2, motor, {"Overcurrent"}},
        Case{"fdx_defaults_110.xml",
             3,
             feeder,
             {"Overload G1", "Phase Inverse G2", "Earth Fault CT-Input Definite Time G2"}}}) {
    ASSERT_TRUE(b.state.OpenDefaultsFile(kDefaults / c.file));
    std::vector<std::string> found;
    for (int g : CurveGroupNumbers(b.state.Tree(), c.family))
      found.push_back(b.state.Store().groups.at(g).name);
    for (const std::string& name : found)
      EXPECT_NE(std::find(c.names.begin(), c.names.end(), name), c.names.end())
          << c.file << ": " << name;
    for (const std::string& name : c.mustHave)
      EXPECT_NE(std::find(found.begin(), found.end(), name), found.end()) << c.file << ": " << name;
  }
}

}  // namespace
}  // namespace kvx
