// The metering and status polls running beside the user's own operations on
// one link: every frame whole, every snapshot shown on the showing thread,
// stopping bounded also when the relay has gone silent, and the identity
// re-check noticing another relay on the link.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "session/handover.h"
#include "session/working_state.h"
#include "setpoints/number_text.h"
#include "setpoints/setting_codec.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"
#include "support/rtu_responder.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

// A responder that identifies as a DRA at firmware 1.90 with password "1234".
void MakeDra(test::RtuResponder& relay) {
  relay.Registers().Write(0, {201, 190, 12345, 0});
  relay.Registers().Write(390, {1});
  relay.Registers().Write(576, {0x0900, 0x0A1E});
  const EncodedSetting password = EncodeSetting(22, "1234");
  relay.Registers().Write(590, std::vector<std::uint16_t>(password.words.begin(),
                                                          password.words.begin() + password.count));
}

// A working state as the desktop holds it: the polls show on this (the
// test's) thread through a hand-over that the test drains.
struct PolledSession {
  explicit PolledSession(const std::string& port, ProtocolKind protocol = ProtocolKind::ModbusRtu)
      : handover([] {}), state(dialogs, passwords, kDefaults) {
    if (protocol == ProtocolKind::ModbusTcp) {
      state.Tcp().SetRemoteHost("127.0.0.1");
      state.Tcp().SetRemotePort(static_cast<std::uint16_t>(std::stoi(port)));
    } else {
      state.Port().SetPortName(port);
    }
    state.Comm().protocol = protocol;
    PollSinks sinks;
    sinks.post = [this](std::function<void()> task) { return handover.Post(std::move(task)); };
    sinks.meteringShown = [this] {
      EXPECT_TRUE(handover.OnOwnerThread());
      ++meteringShown;
    };
    sinks.statusShown = [this](StatusOutcome outcome) {
      EXPECT_TRUE(handover.OnOwnerThread());
      ++statusShown;
      if (outcome == StatusOutcome::IdentityChanged) ++identityChanged;
    };
    state.SetPollSinks(std::move(sinks));
  }
  ~PolledSession() {
    state.StopPollThreads();
    handover.Close();
  }
  // Shows what the polls hand over until `done` or `limit`.
  template <typename Done>
  bool DrainUntil(Done done, Clock::duration limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
      handover.Drain();
      if (done()) return true;
      std::this_thread::sleep_for(2ms);
    }
    return false;
  }
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords{{"1234", "1234", "1234", "1234"}};
  Handover handover;
  WorkingState state;
  int meteringShown = 0;
  int statusShown = 0;
  int identityChanged = 0;
};

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

TEST(PollThreads, PollsAndApplyShareOnePtyLinkFrameByFrame) {
  test::RtuResponder relay(254);
  MakeDra(relay);
  PolledSession s(relay.PortName());
  ASSERT_TRUE(s.state.ConnectUnit());
  ASSERT_TRUE(s.state.PollThreadsRunning());
  const int reg = EditableNumber(s.state.Store());
  ASSERT_GE(reg, 0);
  const double low = *ParseNumber(s.state.Store().settings[reg].minText);

  // The user's applies run on a worker thread, as the desktop's link worker
  // runs them, while the polls hand their snapshots to this thread.
  std::atomic<bool> done{false};
  std::atomic<int> applies{0}, verified{0};
  std::thread worker([&] {
    const auto end = Clock::now() + 2500ms;
    for (int i = 0; Clock::now() < end; ++i) {
      s.state.Store().settings[reg].value = FormatGeneral(low + i % 3);
      s.state.Store().settings[reg].changed = 1;
      s.state.SetPendingChanges(true);
      const ApplyResult r = s.state.ApplyChanges();
      ++applies;
      if (r.written == std::vector<int>{reg}) {
        ++verified;
      } else {
        ADD_FAILURE() << "apply " << i << ": gate " << r.passedGate << " mismatched "
                      << r.mismatched.size() << " link failed " << r.linkFailed.size()
                      << (r.linkFailureReasons.empty() ? "" : r.linkFailureReasons[0]);
      }
    }
    done = true;
  });
  s.DrainUntil([&] { return done.load(); }, 20s);
  worker.join();
  s.DrainUntil([] { return false; }, 50ms);
  s.state.StopPollThreads();

  EXPECT_GT(applies, 5);
  EXPECT_EQ(verified, applies.load());
  EXPECT_GE(s.meteringShown, 2);
  EXPECT_GE(s.statusShown, 4);
  EXPECT_EQ(relay.BadFrames(), 0);
  EXPECT_EQ(relay.OtherUnitFrames(), 0);
  EXPECT_FALSE(s.state.MeteringView().Failed());
  EXPECT_EQ(s.state.StatusView().NetworkText(), "ONLINE");
  EXPECT_EQ(s.state.StatusView().TimeText(), "10:30:09");
  // Nothing shows after the stop, even what was already queued.
  const int shown = s.meteringShown + s.statusShown;
  s.DrainUntil([] { return false; }, 1200ms);
  EXPECT_EQ(s.meteringShown + s.statusShown, shown);
}

TEST(PollThreads, StopWhileAReadWaitsOnASilentRelayEndsWithinOneExchange) {
  test::RtuResponder relay(254);
  MakeDra(relay);
  PolledSession s(relay.PortName());
  ASSERT_TRUE(s.state.ConnectUnit());
  ASSERT_TRUE(s.DrainUntil([&] { return s.meteringShown >= 1; }, 5s));
  relay.Faults().Set(test::Fault::Silent);
  // Let both polls get stuck in a read that gets no answer.
  s.DrainUntil([] { return false; }, 1200ms);
  const auto start = Clock::now();
  EXPECT_TRUE(s.state.StopPollThreads());
  const auto took = Clock::now() - start;
  EXPECT_FALSE(s.state.PollThreadsRunning());
  // The longest exchange of the polls, the 100-register read, times out
  // after 2.15 s and then waits for a late reply as long again; the three
  // attempts of that exchange would take three times that.
  EXPECT_LT(took, 4600ms) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
}

TEST(PollThreads, FailedCyclesShowRedAndTheLinkComesBack) {
  test::RtuResponder relay(254);
  MakeDra(relay);
  PolledSession s(relay.PortName());
  ASSERT_TRUE(s.state.ConnectUnit());
  ASSERT_TRUE(s.DrainUntil([&] { return s.state.MeteringView().Updated(); }, 5s));
  const auto rows = s.state.MeteringView().MeterRows();
  relay.Faults().Set(test::Fault::Exception);  // answered, but refused: fails at once
  ASSERT_TRUE(s.DrainUntil(
      [&] {
        return s.state.MeteringView().Failed() &&
               s.state.StatusView().NetworkText() == "Communications Error";
      },
      10s));
  EXPECT_EQ(s.state.MeteringView().MeterRows(), rows);
  EXPECT_FALSE(s.state.MeteringView().Fresh());
  relay.Faults().Set(test::Fault::None);
  ASSERT_TRUE(s.DrainUntil(
      [&] {
        return !s.state.MeteringView().Failed() && s.state.StatusView().NetworkText() == "ONLINE";
      },
      10s));
  EXPECT_EQ(s.identityChanged, 0);
}

TEST(PollThreads, AnotherFirmwareOnTheLinkIsNoticedByTheIdentityReCheck) {
  std::string error;
  auto config = sim::MakeRelayConfig("DRA", 231, kDefaults, error);
  ASSERT_TRUE(config) << error;
  sim::RelaySimulation relay(*config);
  ASSERT_TRUE(relay.StartTcp().ok);
  PolledSession s(std::to_string(relay.TcpPort()), ProtocolKind::ModbusTcp);
  s.state.SetIdentityRecheckCycles(4);
  ASSERT_TRUE(s.state.ConnectUnit());
  // Several re-checks of the same relay pass.
  ASSERT_TRUE(s.DrainUntil([&] { return s.statusShown >= 9; }, 10s));
  EXPECT_EQ(s.identityChanged, 0);
  relay.Relay().SetFirmware(232);
  ASSERT_TRUE(s.DrainUntil([&] { return s.identityChanged > 0; }, 10s));
  EXPECT_EQ(s.state.StatusView().NetworkText(), "Communications Error");
  // The front end tells and disconnects: the polls end with the link.
  s.state.DisconnectUnit();
  EXPECT_FALSE(s.state.PollThreadsRunning());
  EXPECT_FALSE(s.state.Online());
}

}  // namespace
}  // namespace kvx
