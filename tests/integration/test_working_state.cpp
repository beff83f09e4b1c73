// The working state's sequences against the in-process simulated relay, over
// loopback Modbus TCP and over the simulator's pseudo-terminals (Modbus RTU,
// DF1):
// connect for every model, the older-firmware fallback, failures, the
// password gate with a moved clock, save from the relay, write a file to it.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "session/setpoint_page.h"
#include "session/working_state.h"
#include "setpoints/load_setting_file.h"
#include "setpoints/number_text.h"
#include "setpoints/write_setting_file.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"
#include "support/scratch_folder.h"
#include "support/tcp_responder.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

enum class Link { Tcp, Rtu, Df1 };

std::string LinkName(Link link) {
  return link == Link::Tcp ? "tcp" : link == Link::Rtu ? "rtu" : "df1";
}

// A simulated relay of one model and firmware, serving on the chosen link.
struct Relay {
  Relay(std::string_view model, int firmware, Link link, sim::ServerOptions options = {},
        std::int32_t serial = 12345, std::string password = "1234", int modelCode = 0) {
    std::string error;
    auto config = sim::MakeRelayConfig(model, firmware, kDefaults, error);
    EXPECT_TRUE(config) << error;
    config->serial = serial;
    config->password = std::move(password);
    if (modelCode) config->model.code = modelCode;
    simulation = std::make_unique<sim::RelaySimulation>(*config, options);
    sim::SimStatus started = link == Link::Tcp   ? simulation->StartTcp()
                             : link == Link::Rtu ? simulation->StartRtuPty()
                                                 : simulation->StartDf1Pty();
    EXPECT_TRUE(started.ok) << started.error;
  }
  std::uint16_t Register(int reg) {
    std::uint16_t word = 0;
    simulation->Relay().ReadRegisters(static_cast<std::uint16_t>(reg), 1, &word);
    return word;
  }
  std::unique_ptr<sim::RelaySimulation> simulation;
};

// A working state as a front end holds it, with scripted answers and a clock
// the test moves.
struct Session {
  explicit Session(Relay& relay, Link link, std::vector<MessageResult> answers = {},
                   std::filesystem::path defaults = kDefaults)
      : dialogs(std::move(answers)),
        state(dialogs, passwords, std::move(defaults), [this] { return now; }) {
    if (link == Link::Tcp) {
      state.Tcp().SetRemoteHost("127.0.0.1");
      state.Tcp().SetRemotePort(static_cast<std::uint16_t>(relay.simulation->TcpPort()));
      state.Comm().protocol = ProtocolKind::ModbusTcp;
    } else if (link == Link::Df1) {
      state.Port().SetPortName(relay.simulation->Df1Path());
      state.Comm().protocol = ProtocolKind::Df1;
    } else {
      state.Port().SetPortName(relay.simulation->RtuPath());
      state.Comm().protocol = ProtocolKind::ModbusRtu;
    }
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const AskedMessage& m : dialogs.asked()) texts.push_back(m.caption + "|" + m.text);
    return texts;
  }
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords;
  Clock::time_point now = Clock::time_point{} + 10h;  // "10:00"
  WorkingState state;
};

// --- connect for every model ------------------------------------------------

struct ConnectCase {
  const char* model;
  int firmware;
  const char* definitionFile;
  const char* versionText;
  bool serialShown;
  int family;
};

class ConnectEveryModel : public ::testing::TestWithParam<std::tuple<ConnectCase, Link>> {};

TEST_P(ConnectEveryModel, ChoosesTheDefinitionFileAndShowsTheRelaysOwnFirmware) {
  const auto& [c, link] = GetParam();
  Relay relay(c.model, c.firmware, link, {}, 1234567);
  Session s(relay, link);
  ASSERT_TRUE(s.state.ConnectUnit()) << s.state.View().networkText;
  const SessionView& v = s.state.View();
  EXPECT_EQ(s.state.Identity().definitionFile.filename(), c.definitionFile);
  EXPECT_EQ(s.state.Identity().modelName, c.model);
  EXPECT_EQ(s.state.UnitFirmware(), c.firmware);
  EXPECT_EQ(v.versionText, c.versionText);
  EXPECT_EQ(v.serialText, c.serialShown ? "SN: 1234567" : "");
  EXPECT_EQ(v.networkText, "ONLINE");
  EXPECT_EQ(v.networkColor, PanelColor::Good);
  EXPECT_EQ(v.unitText, c.model);
  EXPECT_EQ(v.caption, "KVX-COMM");
  EXPECT_EQ(v.menus.family, c.family);
  EXPECT_TRUE(v.menus.disconnect && v.menus.writeToUnit && v.menus.changePassword);
  EXPECT_FALSE(v.menus.connect || v.menus.openFile || v.menus.loadDefaults);
  EXPECT_EQ(v.menus.saveCaption, "Save Setpoint File from Unit");
  EXPECT_TRUE(s.state.Online());
  EXPECT_FALSE(s.state.AccessGranted()) << "the next write must ask for the password";
  EXPECT_FALSE(s.state.Metering().meter.empty());
  EXPECT_TRUE(s.dialogs.asked().empty());

  s.state.DisconnectUnit();
  EXPECT_FALSE(s.state.Online());
  EXPECT_TRUE(s.state.AccessGranted());
  EXPECT_EQ(s.state.View().networkText, "OFFLINE");
  EXPECT_EQ(s.state.View().serialText, "");
  EXPECT_TRUE(s.state.View().menus.connect);
  EXPECT_EQ(s.state.View().menus.family, 0);
  EXPECT_EQ(s.state.Store().unitName, c.model) << "the loaded settings stay after a disconnect";
  EXPECT_TRUE(s.state.ConnectUnit()) << "the closed link opens again";
}

const ConnectCase kConnectCases[] = {
    {"DRA", 185, "dra_defaults_185.xml", "Firmware Version: 1.85", false, 1},
    {"DRA", 197, "dra_defaults_190.xml", "Firmware Version: 1.97", false, 1},
    {"DRA", 214, "dra_defaults_210.xml", "Firmware Version: 2.14", true, 1},
    {"DRB-50", 95, "drb_defaults_100.xml", "Firmware Version: 0.95", false, 2},
    {"DRB-50", 123, "drb_defaults_120.xml", "Firmware Version: 1.23", true, 2},
    {"FDX-50", 105, "fdx_defaults_100.xml", "Firmware Version: 1.05", true, 3},
    {"QRT-3600", 100, "qrt3600_defaults_100.xml", "Firmware Version: 1.00", true, 1},
    {"QRT-2600", 107, "qrt2600_defaults_100.xml", "Firmware Version: 1.07", true, 2},
    {"QRT-4700", 109, "qrt4700_defaults_100.xml", "Firmware Version: 1.09", true, 3},
};

INSTANTIATE_TEST_SUITE_P(Models, ConnectEveryModel,
                         ::testing::Combine(::testing::ValuesIn(kConnectCases),
                                            ::testing::Values(Link::Tcp, Link::Rtu, Link::Df1)),
                         [](const auto& info) {
                           std::string name = std::string(std::get<0>(info.param).model) + "_" +
                                              std::to_string(std::get<0>(info.param).firmware) +
                                              "_" + LinkName(std::get<1>(info.param));
                           for (char& ch : name) {
                             if (ch == '-') ch = '_';
                           }
                           return name;
                         });

// --- the older-firmware fallback and the failures ------------------------------

class ConnectFailures : public ::testing::TestWithParam<Link> {};

TEST_P(ConnectFailures, OlderFirmwareFallbackYesLoadsTheNewestOlderFile) {
  test::ScratchFolder defaults;
  std::filesystem::copy_file(kDefaults / "dra_defaults_185.xml", defaults / "dra_defaults_185.xml");
  Relay relay("DRA", 197, GetParam());
  Session s(relay, GetParam(), {MessageResult::Yes}, defaults.path());
  ASSERT_TRUE(s.state.ConnectUnit());
  EXPECT_EQ(s.Texts(), (std::vector<std::string>{
                           "Communications Error|There was no file found for Firmware Version "
                           "1.97 of the DRA.\nDo you wish to try an older firmware version?"}));
  EXPECT_EQ(s.dialogs.asked()[0].kind, MessageKind::YesNo);
  EXPECT_EQ(s.state.Identity().definitionFile.filename(), "dra_defaults_185.xml");
  EXPECT_EQ(s.state.Store().definitionFirmware, 185);
  EXPECT_EQ(s.state.View().versionText, "Firmware Version: 1.97");
}

TEST_P(ConnectFailures, OlderFirmwareFallbackNoFailsWithoutAFurtherMessage) {
  test::ScratchFolder defaults;
  std::filesystem::copy_file(kDefaults / "dra_defaults_185.xml", defaults / "dra_defaults_185.xml");
  Relay relay("DRA", 197, GetParam());
  Session s(relay, GetParam(), {MessageResult::No}, defaults.path());
  EXPECT_FALSE(s.state.ConnectUnit());
  EXPECT_EQ(s.dialogs.asked().size(), 1u);
  EXPECT_EQ(s.state.LastConnectFailure(), ConnectFailure::OlderFileDeclined);
  EXPECT_EQ(s.state.View().networkText, "Failed to Connect");
  EXPECT_EQ(s.state.View().networkColor, PanelColor::Bad);
  EXPECT_FALSE(s.state.Online());
}

TEST_P(ConnectFailures, NoOlderFileAtAllTellsWhereToLookThenFails) {
  test::ScratchFolder defaults;  // no DRA file at all
  std::filesystem::copy_file(kDefaults / "drb_defaults_120.xml", defaults / "drb_defaults_120.xml");
  Relay relay("DRA", 197, GetParam());
  Session s(relay, GetParam(), {MessageResult::Yes}, defaults.path());
  EXPECT_FALSE(s.state.ConnectUnit());
  ASSERT_EQ(s.dialogs.asked().size(), 2u);
  EXPECT_EQ(s.Texts()[1],
            "Communications Error|There was no compatible file found for Firmware Version 1.97 "
            "of the DRA.\nPlease check www.halvoren.example for newer files.");
  EXPECT_EQ(s.state.View().networkText, "Failed to Connect");
}

TEST_P(ConnectFailures, ADefinitionFileThatDoesNotLoadReportsBothMessages) {
  test::ScratchFolder defaults;
  defaults.Write("dra_defaults_190.xml", "<DATAPACKET><broken");
  Relay relay("DRA", 197, GetParam());
  Session s(relay, GetParam(), {}, defaults.path());
  EXPECT_FALSE(s.state.ConnectUnit());
  ASSERT_EQ(s.dialogs.asked().size(), 2u);
  // The message says why the file did not load, on a line of its own.
  EXPECT_EQ(s.Texts()[0].rfind("File Error|Error Loading File.\n", 0), 0u) << s.Texts()[0];
  EXPECT_GT(s.Texts()[0].size(), std::string("File Error|Error Loading File.\n").size());
  EXPECT_EQ(s.Texts()[1].substr(0, 60),
            "Communications Error|There was no compatible file found for ");
  EXPECT_EQ(s.state.LastConnectFailure(), ConnectFailure::NoDefinitionFile);
}

TEST_P(ConnectFailures, AnUnknownModelCodeFailsToConnect) {
  Relay relay("DRA", 190, GetParam(), {}, 1, "1234", 999);
  Session s(relay, GetParam());
  EXPECT_FALSE(s.state.ConnectUnit());
  EXPECT_EQ(s.state.LastConnectFailure(), ConnectFailure::UnknownModel);
  EXPECT_EQ(s.state.Identity().modelCode, 999);
  EXPECT_EQ(s.state.View().networkText, "Failed to Connect");
  EXPECT_TRUE(s.dialogs.asked().empty());
}

TEST_P(ConnectFailures, ASilentRelayFailsToConnectAndLeavesTheStateOffline) {
  sim::ServerOptions silent;
  silent.faults.dropRate = 1.0;
  Relay relay("DRA", 190, GetParam(), silent);
  Session s(relay, GetParam());
  EXPECT_FALSE(s.state.ConnectUnit());
  EXPECT_EQ(s.state.LastConnectFailure(), ConnectFailure::NoAnswer);
  EXPECT_EQ(s.state.View().networkText, "Failed to Connect");
  // The fixed text stays; why is beside it, for the panel's tip.
  EXPECT_EQ(s.state.View().linkReason.rfind("no reply from unit 254 within ", 0), 0u)
      << s.state.View().linkReason;
  EXPECT_EQ(s.state.LastLinkFailure().reason, s.state.View().linkReason);
  EXPECT_TRUE(s.state.View().menus.connect);
  EXPECT_FALSE(s.state.Online());
  EXPECT_TRUE(s.state.AccessGranted());
  EXPECT_TRUE(s.dialogs.asked().empty());
}

INSTANTIATE_TEST_SUITE_P(Links, ConnectFailures, ::testing::Values(Link::Tcp, Link::Rtu, Link::Df1),
                         [](const auto& info) { return LinkName(info.param); });

// --- the password gate and change password ---------------------------------------

// The first editable type-3 setting of the setpoint groups whose limits hold
// min + 2; its register.
int EditableNumber(const SettingStore& store) {
  for (int g = 0; g < kSetpointGroupLimit; ++g) {
    for (int x : store.groups[g].RegisterList()) {
      const SettingRecord& r = store.settings[x];
      if (!r.setting.empty() && r.access == 0 && r.typeCode == 3 &&
          ParseNumber(r.maxText).value_or(0) >= ParseNumber(r.minText).value_or(0) + 3) {
        return x;
      }
    }
  }
  return -1;
}

void Edit(WorkingState& state, int reg, const std::string& value) {
  state.Store().settings[reg].value = value;
  state.Store().settings[reg].changed = 1;
  state.SetPendingChanges(true);
}

TEST(PasswordGate, TheGracePeriodRunsFromTheCorrectPasswordAndIsNotRestartedByWrites) {
  Relay relay("DRA", 190, Link::Tcp);
  Session s(relay, Link::Tcp);
  ASSERT_TRUE(s.state.ConnectUnit());
  const int reg = EditableNumber(s.state.Store());
  ASSERT_GE(reg, 0);
  const double low = *ParseNumber(s.state.Store().settings[reg].minText);
  s.passwords.AddPassword("1234");

  struct Step {
    std::chrono::seconds at;  // after 10:00
    int asksAfter;
  };
  const Step steps[] = {{0s, 1}, {60s, 1}, {240s, 1}, {301s, 2}};
  int n = 0;
  for (const Step& step : steps) {
    s.now = Clock::time_point{} + 10h + step.at;
    if (step.asksAfter == 2) s.passwords.AddPassword("1234");
    Edit(s.state, reg, FormatFixed(low + 1 + (n++ % 2), 2));
    const ApplyResult r = s.state.ApplyChanges();
    EXPECT_TRUE(r.passedGate) << step.at.count();
    EXPECT_EQ(r.written, std::vector<int>{reg});
    EXPECT_EQ(s.passwords.PasswordAsks(), step.asksAfter)
        << "at 10:00 + " << step.at.count() << "s";
  }
  EXPECT_EQ(relay.Register(reg), static_cast<std::uint16_t>(low + 2));
  EXPECT_TRUE(s.dialogs.asked().empty());
}

TEST(PasswordGate, AWrongPasswordWritesNothingAndKeepsTheEditPending) {
  Relay relay("DRA", 190, Link::Tcp);
  Session s(relay, Link::Tcp);
  ASSERT_TRUE(s.state.ConnectUnit());
  const int reg = EditableNumber(s.state.Store());
  const std::uint16_t before = relay.Register(reg);
  s.passwords.AddPassword("4321");
  Edit(s.state, reg, FormatFixed(before + 1, 2));
  const ApplyResult r = s.state.ApplyChanges();
  EXPECT_FALSE(r.passedGate);
  EXPECT_EQ(s.Texts(), std::vector<std::string>{"Password Error|Wrong Password."});
  EXPECT_EQ(relay.Register(reg), before);
  EXPECT_TRUE(s.state.PendingChanges());
  EXPECT_EQ(s.state.Store().settings[reg].changed, 1);
  EXPECT_FALSE(s.state.AccessGranted());
}

TEST(PasswordGate, OnlyTheFirstFourCharactersOfALongerRelayPasswordCount) {
  Relay relay("DRA", 190, Link::Rtu, {}, 1, "123456");
  Session s(relay, Link::Rtu);
  ASSERT_TRUE(s.state.ConnectUnit());
  s.passwords.AddPassword("1234");
  EXPECT_TRUE(s.state.PasswordGate());
  EXPECT_TRUE(s.state.AccessGranted());
}

TEST(PasswordGate, ATimeoutOfOneSecondEndsAccessAfterOneSecond) {
  Relay relay("DRA", 190, Link::Tcp);
  Session s(relay, Link::Tcp);
  ASSERT_TRUE(s.state.ConnectUnit());
  s.state.SetPasswordTimeout(1000ms);
  s.passwords.AddPassword("1234");
  ASSERT_TRUE(s.state.PasswordGate());
  s.now += 999ms;
  EXPECT_TRUE(s.state.AccessGranted());
  s.now += 1ms;
  EXPECT_FALSE(s.state.AccessGranted());
}

TEST(PasswordGate, OfflineEditsAreAcceptedWithoutAPasswordAndMarkedUnsaved) {
  Relay relay("DRA", 190, Link::Tcp);
  Session s(relay, Link::Tcp, {MessageResult::No});
  ASSERT_TRUE(s.state.ConnectUnit());
  s.state.DisconnectUnit();
  const int reg = EditableNumber(s.state.Store());
  const std::uint16_t before = relay.Register(reg);
  Edit(s.state, reg, FormatFixed(before + 1, 2));
  const ApplyResult r = s.state.ApplyChanges();
  EXPECT_TRUE(r.passedGate);
  EXPECT_EQ(s.passwords.PasswordAsks(), 0);
  EXPECT_EQ(relay.Register(reg), before) << "offline: the file's values only";
  EXPECT_EQ(s.state.Store().settings[reg].readValue, FormatFixed(before + 1, 2));
  EXPECT_EQ(s.state.Store().settings[reg].changed, 0);
  EXPECT_TRUE(s.state.UnsavedChanges());
  // The question before the settings are replaced; No forgets the changes.
  EXPECT_EQ(s.state.AskToSaveChanges(), MessageResult::No);
  EXPECT_EQ(s.Texts(),
            std::vector<std::string>{
                "Setpoint Changes|Do you wish to save your\ncurrent changes to a file?"});
  EXPECT_FALSE(s.state.UnsavedChanges());
}

TEST(ChangePassword, ARightCurrentPasswordSendsTheNewOne) {
  Relay relay("DRA", 190, Link::Rtu);
  Session s(relay, Link::Rtu);
  ASSERT_TRUE(s.state.ConnectUnit());
  s.passwords = ScriptedPasswordPrompt({}, {{"1234", "AB-9"}, {"1234", "ZZZZ"}, {"AB-9", "xxx"}});
  EXPECT_EQ(s.state.ChangePassword().outcome, ChangePasswordOutcome::Sent);
  EXPECT_EQ(relay.simulation->Relay().Password(), "AB-9");
  // The old password no longer opens it; the "xxx" of Cancel sends nothing.
  EXPECT_EQ(s.state.ChangePassword().outcome, ChangePasswordOutcome::WrongPassword);
  EXPECT_EQ(s.Texts(), std::vector<std::string>{"Password Error|Wrong Password"});
  EXPECT_EQ(s.state.ChangePassword().outcome, ChangePasswordOutcome::Cancelled);
  EXPECT_EQ(relay.simulation->Relay().Password(), "AB-9");
  EXPECT_FALSE(s.state.AccessGranted()) << "changing the password does not open the gate";
}

TEST(ApplyChanges, AValueTheRelayRoundsIsReportedAndStaysPendingUntilTheNextApply) {
  Relay relay("DRA", 190, Link::Tcp);
  Session s(relay, Link::Tcp);
  ASSERT_TRUE(s.state.ConnectUnit());
  const int reg = EditableNumber(s.state.Store());
  const double low = *ParseNumber(s.state.Store().settings[reg].minText);
  s.passwords.AddPassword("1234");
  Edit(s.state, reg, FormatFixed(low + 1.37, 2));
  ApplyResult r = s.state.ApplyChanges();
  EXPECT_EQ(r.mismatched, std::vector<int>{reg});
  EXPECT_EQ(s.state.View().writeErrorText, "Error writing Setpoint");
  EXPECT_EQ(s.state.Store().settings[reg].value, FormatGeneral(low + 1));
  EXPECT_EQ(s.state.Store().settings[reg].changed, 1);
  EXPECT_TRUE(s.state.PendingChanges());
  r = s.state.ApplyChanges();
  EXPECT_EQ(r.written, std::vector<int>{reg});
  EXPECT_EQ(s.state.View().writeErrorText, "");
  EXPECT_FALSE(s.state.PendingChanges());
  EXPECT_TRUE(s.state.UnsavedChanges());
}

// --- save from the relay ------------------------------------------------------

class SaveFromUnit : public ::testing::TestWithParam<Link> {};

TEST_P(SaveFromUnit, TheSavedFileOpensWithTheRelaysValues) {
  Relay relay("DRA", 197, GetParam());
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  const int reg = EditableNumber(s.state.Store());
  const double low = *ParseNumber(s.state.Store().settings[reg].minText);
  const std::uint16_t changed =
      static_cast<std::uint16_t>(relay.Register(reg) == low + 1 ? low + 2 : low + 1);
  relay.simulation->Relay().WriteRegisters(static_cast<std::uint16_t>(reg), {&changed, 1});
  const std::uint16_t title[10] = {0x4D79, 0x204D, 0x6F74, 0x6F72};  // "My Motor"
  relay.simulation->Relay().WriteRegisters(600, title);
  s.state.SetUnsavedChanges(true);

  test::ScratchFolder folder;
  for (const char* name : {"relay.cds", "relay.xml"}) {
    ASSERT_EQ(s.state.SaveSetpointFile(folder / name), SaveOutcome::Saved);
    EXPECT_FALSE(s.state.UnsavedChanges());
    EXPECT_EQ(s.state.View().caption, "KVX-COMM");
    EXPECT_TRUE(s.dialogs.asked().empty());

    ScriptedDialogs quiet;
    ScriptedPasswordPrompt none;
    WorkingState offline(quiet, none, kDefaults);
    ASSERT_TRUE(offline.OpenSettingFile(folder / name)) << offline.LastLoadError();
    EXPECT_EQ(offline.Store().definitionFirmware, 190);
    EXPECT_EQ(offline.Store().settings[reg].value, std::to_string(changed)) << name;
    EXPECT_EQ(offline.Store().settings[600].value, "My Motor");
    EXPECT_EQ(offline.View().versionText, "Firmware Version: 1.90");
  }
}

TEST_P(SaveFromUnit, AFailedReadWritesNoFile) {
  Relay probe("DRA", 190, GetParam());
  Session first(probe, GetParam());
  ASSERT_TRUE(first.state.ConnectUnit());
  const int reg = EditableNumber(first.state.Store());

  sim::ServerOptions faulty;
  faulty.faults.exceptionAt = reg;
  Relay relay("DRA", 190, GetParam(), faulty);
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  s.state.SetUnsavedChanges(true);
  test::ScratchFolder folder;
  EXPECT_EQ(s.state.SaveSetpointFile(folder / "x.cds"), SaveOutcome::ReadFailed);
  EXPECT_EQ(s.Texts(),
            std::vector<std::string>{"Setpoint File Save|Error reading from unit. Please retry"});
  EXPECT_FALSE(std::filesystem::exists(folder / "x.cds"));
  EXPECT_TRUE(s.state.UnsavedChanges());
}

TEST_P(SaveFromUnit, AFailedFileWriteKeepsTheChangesUnsaved) {
  Relay relay("DRA", 190, GetParam());
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  s.state.SetUnsavedChanges(true);
  test::ScratchFolder folder;
  EXPECT_EQ(s.state.SaveSetpointFile(folder / "missing" / "x.cds"), SaveOutcome::WriteFailed);
  ASSERT_EQ(s.Texts().size(), 1u);
  // The reason follows: here the folder does not exist.
  EXPECT_EQ(s.Texts()[0].rfind("Setpoint File Save|Error writing file. Please retry\n", 0), 0u)
      << s.Texts()[0];
  EXPECT_NE(s.Texts()[0].find("No such file or directory"), std::string::npos) << s.Texts()[0];
  EXPECT_TRUE(s.state.UnsavedChanges());
}

// "Apply, and Save" with an edit that Apply could not write (a wrong password
// here): the file holds what the relay holds, and the edit is still there,
// still marked, for the next Apply.
TEST_P(SaveFromUnit, AnEditApplyCouldNotWriteIsKeptWhileTheFileTakesTheRelaysValue) {
  Relay relay("DRA", 190, GetParam());
  Session s(relay, GetParam(), {MessageResult::Ok});
  ASSERT_TRUE(s.state.ConnectUnit());
  const int reg = EditableNumber(s.state.Store());
  const std::uint16_t before = relay.Register(reg);
  const std::string edit = FormatFixed(before + 1, 2);
  s.passwords.AddPassword("4321");
  Edit(s.state, reg, edit);

  test::ScratchFolder folder;
  ASSERT_EQ(s.state.SaveSetpointFile(folder / "relay.cds"), SaveOutcome::Saved);
  EXPECT_EQ(relay.Register(reg), before);
  const SettingRecord& kept = s.state.Store().settings[reg];
  EXPECT_EQ(kept.value, edit);
  EXPECT_EQ(kept.changed, 1);
  EXPECT_EQ(kept.readValue, std::to_string(before));
  EXPECT_TRUE(s.state.PendingChanges());

  ScriptedDialogs quiet;
  ScriptedPasswordPrompt none;
  WorkingState offline(quiet, none, kDefaults);
  ASSERT_TRUE(offline.OpenSettingFile(folder / "relay.cds")) << offline.LastLoadError();
  EXPECT_EQ(offline.Store().settings[reg].value, std::to_string(before));
}

INSTANTIATE_TEST_SUITE_P(Links, SaveFromUnit, ::testing::Values(Link::Tcp, Link::Rtu, Link::Df1),
                         [](const auto& info) { return LinkName(info.param); });

// --- a whole setpoint backup over DF1, every family -----------------------------

struct BackupCase {
  const char* model;
  int firmware;
  int errorCheck;  // 0 CRC, 1 BCC
};

class BackupOverDf1 : public ::testing::TestWithParam<BackupCase> {};

// The file saved over DF1 holds exactly what the same relay's file saved over
// Modbus RTU holds, setting by setting.
TEST_P(BackupOverDf1, HoldsWhatTheRtuBackupHolds) {
  const BackupCase& c = GetParam();
  Relay relay(c.model, c.firmware, Link::Df1);
  ASSERT_TRUE(relay.simulation->StartRtuPty().ok);
  test::ScratchFolder folder;
  Session df1(relay, Link::Df1);
  df1.state.Comm().errorCheck = c.errorCheck;
  ASSERT_TRUE(df1.state.ConnectUnit()) << df1.state.View().networkText;
  ASSERT_EQ(df1.state.SaveSetpointFile(folder / "df1.cds"), SaveOutcome::Saved)
      << df1.Texts().size();
  EXPECT_GT(df1.state.Comm().transactionCounter, 10) << "the exchanges went over DF1";
  df1.state.DisconnectUnit();

  Session rtu(relay, Link::Rtu);
  ASSERT_TRUE(rtu.state.ConnectUnit());
  ASSERT_EQ(rtu.state.SaveSetpointFile(folder / "rtu.cds"), SaveOutcome::Saved);

  ScriptedDialogs quiet;
  ScriptedPasswordPrompt none;
  WorkingState overDf1(quiet, none, kDefaults), overRtu(quiet, none, kDefaults);
  ASSERT_TRUE(overDf1.OpenSettingFile(folder / "df1.cds")) << overDf1.LastLoadError();
  ASSERT_TRUE(overRtu.OpenSettingFile(folder / "rtu.cds")) << overRtu.LastLoadError();
  int settings = 0;
  for (int reg = 0; reg < SettingTable::size(); ++reg) {
    const SettingRecord& a = overDf1.Store().settings[reg];
    const SettingRecord& b = overRtu.Store().settings[reg];
    EXPECT_EQ(a.setting, b.setting) << reg;
    EXPECT_EQ(a.value, b.value) << c.model << " register " << reg;
    settings += !a.setting.empty();
  }
  EXPECT_GT(settings, 20) << c.model;
  EXPECT_EQ(overDf1.Store().unitName, c.model);
}

INSTANTIATE_TEST_SUITE_P(Families, BackupOverDf1,
                         ::testing::Values(BackupCase{"DRA", 197, 0}, BackupCase{"DRB-50", 123, 1},
                                           BackupCase{"FDX-50", 105, 0},
                                           BackupCase{"QRT-3600", 100, 1},
                                           BackupCase{"QRT-2600", 107, 0},
                                           BackupCase{"QRT-4700", 109, 1}),
                         [](const auto& info) {
                           std::string name = info.param.model;
                           for (char& ch : name) {
                             if (ch == '-') ch = '_';
                           }
                           return name + (info.param.errorCheck ? "_bcc" : "_crc");
                         });

// --- write a whole file to the relay ---------------------------------------------

// A setpoint file of `definition` with every editable type-3 setting of the
// setpoint groups moved off its default (their registers in write order), a
// title with a comment, and the read-only hardware revision changed.
std::filesystem::path PrepareFile(const test::ScratchFolder& folder,
                                  const std::filesystem::path& definition,
                                  std::vector<int>& changedRegisters) {
  SettingStore store;
  EXPECT_TRUE(LoadSettingFile(store, definition, kDefaults));
  for (int g = 0; g < kSetpointGroupLimit; ++g) {
    for (int x : store.groups[g].RegisterList()) {
      SettingRecord& r = store.settings[x];
      if (r.setting.empty() || r.access != 0 || r.typeCode != 3) continue;
      const double lo = ParseNumber(r.minText).value_or(0);
      const double hi = ParseNumber(r.maxText).value_or(0);
      const double v = ParseNumber(r.value).value_or(lo);
      r.value = FormatGeneral(v + 1 <= hi ? v + 1 : lo);
      changedRegisters.push_back(x);
    }
  }
  store.settings[600].value = "Pump 7";
  store.settings[600].comment = "north hall";
  store.settings[620].value = "77";  // read-only on the relay
  const std::filesystem::path path = folder / "file.cds";
  EXPECT_TRUE(WriteSettingFile(store, path).ok);
  return path;
}

class WriteToUnit : public ::testing::TestWithParam<Link> {};

TEST_P(WriteToUnit, WritesEveryEditableSettingLeavesReadOnlyOnesAndKeepsTheComments) {
  Relay relay("DRA", 197, GetParam());
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  test::ScratchFolder folder;
  std::vector<int> changed;
  const auto file = PrepareFile(folder, kDefaults / "dra_defaults_190.xml", changed);
  ASSERT_FALSE(changed.empty());
  const std::uint16_t revision = relay.Register(620);
  SettingStore expected;
  ASSERT_TRUE(LoadSettingFile(expected, file, kDefaults));

  s.passwords.AddPassword("1234");
  const WriteToUnitResult r = s.state.WriteSetpointFileToUnit(file);
  EXPECT_EQ(r.outcome, WriteToUnitResult::Outcome::Written);
  EXPECT_TRUE(r.reconnected);
  EXPECT_TRUE(s.dialogs.asked().empty()) << s.Texts()[0];
  for (int x : changed) {
    EXPECT_EQ(relay.Register(x), *ParseInteger(expected.settings[x].value)) << "register " << x;
  }
  EXPECT_EQ(relay.Register(600), 0x5075);  // "Pu"
  EXPECT_EQ(relay.Register(620), revision);
  EXPECT_TRUE(s.state.Online());
  EXPECT_EQ(s.state.Store().settings[600].comment, "north hall");
  EXPECT_EQ(s.state.Store().settings[600].value, "DRA Motor") << "definitions reloaded";
  EXPECT_EQ(s.state.View().caption, "KVX-COMM");
  EXPECT_FALSE(s.state.AccessGranted()) << "the whole-file write does not open the gate";
  EXPECT_EQ(s.passwords.PasswordAsks(), 1);
}

TEST_P(WriteToUnit, AWrongPasswordWritesNothingAndReconnects) {
  Relay relay("DRA", 190, GetParam());
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  test::ScratchFolder folder;
  std::vector<int> changed;
  const auto file = PrepareFile(folder, kDefaults / "dra_defaults_190.xml", changed);
  const std::uint16_t before = relay.Register(changed.front());
  s.passwords.AddPassword("12");
  const WriteToUnitResult r = s.state.WriteSetpointFileToUnit(file);
  EXPECT_EQ(r.outcome, WriteToUnitResult::Outcome::WrongPassword);
  EXPECT_TRUE(r.reconnected);
  EXPECT_EQ(s.Texts(), (std::vector<std::string>{"Password Error|Wrong Password.",
                                                 "Error|Error Getting Data."}));
  EXPECT_EQ(relay.Register(changed.front()), before);
  EXPECT_TRUE(s.state.Online());
}

TEST_P(WriteToUnit, AFileOfAnotherModelIsRefused) {
  Relay relay("DRB-50", 120, GetParam());
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  test::ScratchFolder folder;
  std::vector<int> changed;
  const auto file = PrepareFile(folder, kDefaults / "fdx_defaults_100.xml", changed);
  s.passwords.AddPassword("1234");
  const WriteToUnitResult r = s.state.WriteSetpointFileToUnit(file);
  EXPECT_EQ(r.outcome, WriteToUnitResult::Outcome::FileRejected);
  EXPECT_EQ(r.fileCheck, FileCheck::WrongUnit);
  // The refused file ends with its own message only.
  EXPECT_EQ(s.Texts(), (std::vector<std::string>{
                           "Setpoint File Error|File was created for the wrong type of Unit."}));
  EXPECT_EQ(r.settingsWritten, 0);
  EXPECT_EQ(s.state.Store().unitName, "DRB-50");
}

TEST_P(WriteToUnit, AnOlderFirmwareFileAsksAndCancelStopsIt) {
  Relay relay("DRA", 197, GetParam());
  test::ScratchFolder folder;
  std::vector<int> changed;
  const auto file = PrepareFile(folder, kDefaults / "dra_defaults_185.xml", changed);
  const std::string question =
      "Firmware Warning|File is from Firmware Version 1.85 and you are\nusing Firmware "
      "Version 1.90.\n Do you wish to continue?";
  {
    Session s(relay, GetParam(), {MessageResult::Cancel});
    ASSERT_TRUE(s.state.ConnectUnit());
    const std::uint16_t before = relay.Register(changed.front());
    s.passwords.AddPassword("1234");
    const WriteToUnitResult r = s.state.WriteSetpointFileToUnit(file);
    EXPECT_EQ(r.fileCheck, FileCheck::Declined);
    // A refused question ends there: no error follows it.
    EXPECT_EQ(s.Texts(), std::vector<std::string>{question});
    EXPECT_EQ(relay.Register(changed.front()), before);
  }
  {
    Session s(relay, GetParam(), {MessageResult::Ok});
    ASSERT_TRUE(s.state.ConnectUnit());
    s.passwords.AddPassword("1234");
    const WriteToUnitResult r = s.state.WriteSetpointFileToUnit(file);
    EXPECT_EQ(r.outcome, WriteToUnitResult::Outcome::Written);
    EXPECT_EQ(s.Texts(), std::vector<std::string>{question});
    EXPECT_GT(r.settingsWritten, 0);
    EXPECT_EQ(s.state.Store().definitionFirmware, 190) << "the relay's definitions reloaded";
  }
}

TEST_P(WriteToUnit, AFileWithValuesTheRelayCannotTakeIsRefusedBeforeAnyWrite) {
  test::ScratchFolder folder;
  std::vector<int> changed;
  const auto file = PrepareFile(folder, kDefaults / "dra_defaults_190.xml", changed);
  ASSERT_GE(changed.size(), 3u);
  SettingStore bad;
  ASSERT_TRUE(LoadSettingFile(bad, file, kDefaults));
  const int fraction = changed[1];
  const int outside = changed[2];
  bad.settings[fraction].value = "2.5";
  bad.settings[outside].value =
      FormatGeneral(ParseNumber(bad.settings[outside].maxText).value() + 1);
  ASSERT_TRUE(WriteSettingFile(bad, file).ok);

  Relay relay("DRA", 190, GetParam());
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  const std::uint16_t first = relay.Register(changed[0]);
  const std::string titleBefore = s.state.Store().settings[600].value;
  s.passwords.AddPassword("1234");
  const WriteToUnitResult r = s.state.WriteSetpointFileToUnit(file);
  EXPECT_EQ(r.outcome, WriteToUnitResult::Outcome::ValuesRefused);
  EXPECT_EQ(r.settingsWritten, 0);
  ASSERT_EQ(r.refusedValues.size(), 2u);
  EXPECT_EQ(r.refusedValues[0].reg, std::min(fraction, outside));
  EXPECT_EQ(r.refusedValues[1].reg, std::max(fraction, outside));
  ASSERT_EQ(s.Texts().size(), 1u);
  EXPECT_EQ(s.Texts()[0].rfind("Setpoint File Error|The file holds 2 values the relay cannot take; "
                               "nothing was written.\nregister ",
                               0),
            0u)
      << s.Texts()[0];
  EXPECT_NE(s.Texts()[0].find("2.5 is not a whole number"), std::string::npos);
  EXPECT_EQ(relay.Register(changed[0]), first) << "not even the good values went out";
  EXPECT_EQ(relay.Register(600), 0x4452) << "\"DR\": the title stays";
  EXPECT_TRUE(s.state.Online());
  EXPECT_TRUE(r.reconnected);
  EXPECT_EQ(s.state.Store().settings[600].value, titleBefore) << "the loaded settings stay";
}

TEST_P(WriteToUnit, ARefusalPartWayIsReportedAsARefusalWithTheCountWritten) {
  test::ScratchFolder folder;
  std::vector<int> changed;
  const auto file = PrepareFile(folder, kDefaults / "dra_defaults_190.xml", changed);
  ASSERT_GE(changed.size(), 3u);
  sim::ServerOptions faulty;
  faulty.faults.exceptionAt = changed[1];
  Relay relay("DRA", 190, GetParam(), faulty);
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  const std::uint16_t third = relay.Register(changed[2]);
  s.passwords.AddPassword("1234");
  const WriteToUnitResult r = s.state.WriteSetpointFileToUnit(file);
  EXPECT_EQ(r.outcome, WriteToUnitResult::Outcome::Refused);
  EXPECT_EQ(r.failedRegister, changed[1]);
  // The simulator refuses with exception 2, on DF1 with error status 0x50.
  const bool df1 = GetParam() == Link::Df1;
  EXPECT_EQ(r.failedError, df1 ? CommError::Df1ErrorStatus : CommError::ExceptionIllegalAddress);
  EXPECT_EQ(r.failedReason,
            (df1 ? "error status 0x50 (addressing problem or memory protection) at register "
                 : "exception 2 (illegal data address) at register ") +
                std::to_string(changed[1]));
  EXPECT_EQ(s.state.View().linkReason, "") << "the reconnect got through";
  EXPECT_TRUE(r.reconnected);
  ASSERT_GT(r.settingsWritten, 0);
  SettingStore expected;
  ASSERT_TRUE(LoadSettingFile(expected, file, kDefaults));
  EXPECT_EQ(r.failedValue, expected.settings[changed[1]].value);
  EXPECT_EQ(s.Texts(), std::vector<std::string>{
                           "Write Refused|Register " + std::to_string(changed[1]) + " (" +
                           expected.settings[changed[1]].setting + "): the relay refused " +
                           r.failedValue + ".\n" + std::to_string(r.settingsWritten) +
                           " settings were written before it, none after it."});
  EXPECT_EQ(relay.Register(changed[0]), *ParseInteger(expected.settings[changed[0]].value));
  EXPECT_EQ(relay.Register(changed[2]), third) << "nothing after the failed write";
  EXPECT_TRUE(s.state.Online());
}

INSTANTIATE_TEST_SUITE_P(Links, WriteToUnit, ::testing::Values(Link::Tcp, Link::Rtu, Link::Df1),
                         [](const auto& info) { return LinkName(info.param); });

// --- the setpoint page against the relay ----------------------------------------

// The path of the tree node named `name`, or an empty path.
NodePath PathOf(const SetpointTreeNode& node, const std::string& name, NodePath here = {}) {
  if (node.text == name) return here;
  for (int i = 0; i < static_cast<int>(node.children.size()); ++i) {
    NodePath child = here;
    child.push_back(i);
    NodePath found = PathOf(node.children[static_cast<std::size_t>(i)], name, child);
    if (!found.empty()) return found;
  }
  return {};
}

class SetpointPageReads : public ::testing::TestWithParam<Link> {};

TEST_P(SetpointPageReads, AFailedReadKeepsTheValueTheSettingHad) {
  sim::ServerOptions refusing;
  refusing.faults.exceptionAt = 24;  // the last setting of "Overload"
  Relay relay("DRA", 190, GetParam(), refusing);
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  SettingRecord& time = s.state.Store().settings[24];
  const std::string good = time.value;
  ASSERT_FALSE(good.empty());
  ASSERT_NE(good, "0") << "the failed read's text must differ from the good value";

  SetpointPage page(s.state);
  page.Reset();
  const NodePath overload = PathOf(page.Tree(), "Overload");
  ASSERT_FALSE(overload.empty());
  ASSERT_TRUE(page.Toggle(overload));
  page.Rebuild();
  EXPECT_EQ(page.WriteErrorText(), kReadErrorText);
  EXPECT_EQ(page.Node(overload)->state, kUnticked);
  EXPECT_EQ(time.value, good);
  EXPECT_EQ(time.readValue, good);
  EXPECT_EQ(time.changed, 0);
  // The settings read before it hold the relay's values, as read.
  const SettingRecord& first = s.state.Store().settings[11];
  EXPECT_EQ(first.value, first.readValue);
  EXPECT_EQ(*ParseNumber(first.value), relay.Register(11));

  // Undo of an edit in the group, and Refresh, read the group again: the
  // read fails again and the value stays.
  ASSERT_TRUE(page.EditComment(11, "checked"));
  page.Undo();
  page.Rebuild();
  EXPECT_EQ(time.value, good);
  EXPECT_EQ(page.WriteErrorText(), kReadErrorText);
  ASSERT_TRUE(page.EditComment(11, "checked"));
  page.Refresh();
  page.Rebuild();
  EXPECT_EQ(time.value, good);
  EXPECT_EQ(time.changed, 0);
  EXPECT_FALSE(s.state.PendingChanges());

  // Offline, the save writes the value the setting had.
  s.state.DisconnectUnit();
  test::ScratchFolder folder;
  ASSERT_EQ(s.state.SaveSetpointFile(folder / "offline.cds"), SaveOutcome::Saved);
  ScriptedDialogs quiet;
  ScriptedPasswordPrompt none;
  WorkingState reloaded(quiet, none, kDefaults);
  ASSERT_TRUE(reloaded.OpenSettingFile(folder / "offline.cds")) << reloaded.LastLoadError();
  EXPECT_EQ(reloaded.Store().settings[24].value, good);
}

TEST_P(SetpointPageReads, ASuccessfulReadIsWhatUndoGoesBackTo) {
  Relay relay("DRA", 190, GetParam());
  const std::uint16_t held = 17;
  relay.simulation->Relay().WriteRegisters(24, {&held, 1});
  Session s(relay, GetParam());
  ASSERT_TRUE(s.state.ConnectUnit());
  SetpointPage page(s.state);
  page.Reset();
  ASSERT_TRUE(page.Toggle(PathOf(page.Tree(), "Overload")));
  page.Rebuild();
  ASSERT_EQ(s.state.Store().settings[24].value, "17");
  std::string notice;
  double corrected = 0;
  ASSERT_TRUE(page.EditNumber(24, 9, notice, corrected));
  // The link is gone before the undo: the group cannot be read again, and
  // the setting shows what was last read from the relay.
  relay.simulation->Stop();
  page.Undo();
  page.Rebuild();
  EXPECT_EQ(s.state.Store().settings[24].value, "17");
  EXPECT_EQ(s.state.Store().settings[24].changed, 0);
}

INSTANTIATE_TEST_SUITE_P(Links, SetpointPageReads,
                         ::testing::Values(Link::Tcp, Link::Rtu, Link::Df1),
                         [](const auto& info) { return LinkName(info.param); });

// A copy of the DRA 1.90 definitions with a setpoint group that has no
// settings (its register list is the placeholder 0).
std::filesystem::path DefinitionsWithAnEmptyGroup(const test::ScratchFolder& folder) {
  std::ifstream in(kDefaults / "dra_defaults_190.xml", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string xml = text.str();
  const std::string anchor = "<ROW G_ORDER=\"22\" MAIN=\"Communications\" MAINTYPE=\"setpoint\"/>";
  const std::size_t at = xml.find(anchor);
  EXPECT_NE(at, std::string::npos);
  xml.insert(at + anchor.size(), "\n<ROW G_ORDER=\"23\" MAIN=\"Spare\" MAINTYPE=\"setpoint\"/>");
  folder.Write("dra_defaults_190.xml", xml);
  return folder.path();
}

TEST(EmptySetpointGroup, IsListedWithoutAReadAndTheSaveFromTheRelayWorks) {
  test::ScratchFolder defaults;
  DefinitionsWithAnEmptyGroup(defaults);
  Relay relay("DRA", 197, Link::Tcp);
  Session s(relay, Link::Tcp, {}, defaults.path());
  ASSERT_TRUE(s.state.ConnectUnit());
  int spare = -1;
  for (int g = 0; g < kSetpointGroupLimit; ++g) {
    if (s.state.Store().groups[g].name == "Spare") spare = g;
  }
  ASSERT_GE(spare, 0);
  ASSERT_EQ(s.state.Store().groups[spare].RegisterList(), std::vector<int>{0});
  ASSERT_TRUE(s.state.Store().settings[0].setting.empty());

  SetpointPage page(s.state);
  page.Reset();
  page.SelectAll();
  page.Rebuild();
  EXPECT_EQ(page.WriteErrorText(), "");
  EXPECT_EQ(page.Node(PathOf(page.Tree(), "Spare"))->state, kListed);
  EXPECT_EQ(page.RowOf(0), -1) << "the placeholder is no setting row";

  test::ScratchFolder folder;
  EXPECT_EQ(s.state.SaveSetpointFile(folder / "all.cds"), SaveOutcome::Saved);
  EXPECT_TRUE(s.dialogs.asked().empty()) << s.Texts()[0];
  EXPECT_TRUE(std::filesystem::is_regular_file(folder / "all.cds"));
  EXPECT_TRUE(s.state.ReadSetpointGroups());
}

// --- a password register that cannot be read ----------------------------------------

// How the relay fails to give its password.
enum class Unreadable { Silent, Refused };

class PasswordNotRead : public ::testing::TestWithParam<Unreadable> {};

constexpr const char* kPasswordNotReadText =
    "Error reading from unit. Please retry\nThe password could not be checked:\n";

TEST_P(PasswordNotRead, IsACommunicationsErrorNotAWrongPassword) {
  sim::ServerOptions options;
  if (GetParam() == Unreadable::Refused) options.faults.exceptionAt = 590;
  Relay relay("DRA", 190, Link::Tcp, options);
  Session s(relay, Link::Tcp);
  ASSERT_TRUE(s.state.ConnectUnit());
  test::TcpResponder silent;
  if (GetParam() == Unreadable::Silent) {
    // The relay stops answering: the link is pointed at a peer that takes
    // the requests and never replies.
    silent.Faults().Set(test::Fault::Silent);
    s.state.Tcp().Disconnect();
    s.state.Tcp().SetRemotePort(silent.Port());
  }
  auto expectCommunicationsError = [&](const char* what) {
    ASSERT_FALSE(s.dialogs.asked().empty()) << what;
    const AskedMessage& told = s.dialogs.asked().front();
    EXPECT_EQ(told.caption, "Communications Error") << what;
    EXPECT_TRUE(told.text.starts_with(kPasswordNotReadText)) << what << ": " << told.text;
    EXPECT_GT(told.text.size(), std::string(kPasswordNotReadText).size() + 1) << "a reason";
    for (const std::string& text : s.Texts()) {
      EXPECT_EQ(text.find("Wrong Password"), std::string::npos) << what;
    }
  };

  const int reg = EditableNumber(s.state.Store());
  const std::uint16_t before = relay.Register(reg);
  Edit(s.state, reg, FormatFixed(before + 1, 2));
  s.passwords.AddPassword("1234");  // the right one
  const ApplyResult r = s.state.ApplyChanges();
  EXPECT_FALSE(r.passedGate);
  EXPECT_TRUE(r.passwordNotRead);
  EXPECT_EQ(s.state.LastPasswordCheck(), PasswordCheck::NotRead);
  expectCommunicationsError("apply");
  EXPECT_EQ(relay.Register(reg), before);
  EXPECT_TRUE(s.state.PendingChanges());
  EXPECT_FALSE(s.state.AccessGranted());

  s.dialogs = ScriptedDialogs();
  s.passwords = ScriptedPasswordPrompt({}, {{"1234", "ABCD"}});
  EXPECT_EQ(s.state.ChangePassword().outcome, ChangePasswordOutcome::NotRead);
  expectCommunicationsError("change password");
  EXPECT_EQ(relay.simulation->Relay().Password(), "1234");

  s.dialogs = ScriptedDialogs();
  s.passwords.AddPassword("1234");
  test::ScratchFolder folder;
  std::vector<int> changed;
  const auto file = PrepareFile(folder, kDefaults / "dra_defaults_190.xml", changed);
  const std::uint16_t firstBefore = relay.Register(changed.front());
  const WriteToUnitResult w = s.state.WriteSetpointFileToUnit(file);
  EXPECT_EQ(w.outcome, WriteToUnitResult::Outcome::Error);
  EXPECT_EQ(w.settingsWritten, 0);
  expectCommunicationsError("write file to unit");
  EXPECT_EQ(relay.Register(changed.front()), firstBefore);
}

INSTANTIATE_TEST_SUITE_P(Relays, PasswordNotRead,
                         ::testing::Values(Unreadable::Silent, Unreadable::Refused),
                         [](const auto& info) {
                           return info.param == Unreadable::Silent ? "silent" : "refused";
                         });

}  // namespace
}  // namespace kvx
