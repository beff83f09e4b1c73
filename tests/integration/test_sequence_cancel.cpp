// Sequences stopped between exchanges against the in-process simulated relay:
// an apply stopped part-way says exactly how far it got and keeps the rest
// pending, a rebuild stopped part-way lists only what it read, and the
// network panel tells a relay that stopped answering from one that answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "comm/frame_trace.h"
#include "session/cancel_token.h"
#include "session/handed_over_front_end.h"
#include "session/handover.h"
#include "session/link_worker.h"
#include "session/setpoint_page.h"
#include "session/working_state.h"
#include "setpoints/number_text.h"
#include "setpoints/register_values.h"
#include "shell/scripted_dialogs.h"
#include "sim/relay_simulation.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

int GroupState(const SetpointTreeNode& node, const std::string& group) {
  if (node.groupNumber >= 0 && node.text == group) return node.state;
  for (const SetpointTreeNode& child : node.children) {
    const int state = GroupState(child, group);
    if (state != kNoState - 1) return state;
  }
  return kNoState - 1;
}

struct Bench {
  explicit Bench(sim::ServerOptions options = {})
      : state(dialogs, passwords, kDefaults), page(state) {
    std::string error;
    auto config = sim::MakeRelayConfig("DRA", 197, kDefaults, error);
    EXPECT_TRUE(config) << error;
    relay = std::make_unique<sim::RelaySimulation>(*config, options);
    EXPECT_TRUE(relay->StartTcp().ok);
    state.Tcp().SetRemoteHost("127.0.0.1");
    state.Tcp().SetRemotePort(static_cast<std::uint16_t>(relay->TcpPort()));
    state.Comm().protocol = ProtocolKind::ModbusTcp;
  }

  // Connects, lists every group and edits up to `count` number settings to
  // another value within their limits; the registers edited, in order.
  std::vector<int> ConnectAndEdit(int count) {
    EXPECT_TRUE(state.ConnectUnit()) << state.View().networkText;
    page.Reset();
    page.SelectAll();
    page.Rebuild();
    std::vector<int> edited;
    for (const SetpointRow& row : page.Rows()) {
      if (row.kind != RowKind::Setting || static_cast<int>(edited.size()) == count) continue;
      const int x = row.reg;
      const SettingRecord& s = state.Store().settings[x];
      if (s.access != 0 || (s.typeCode != 1 && s.typeCode != 3)) continue;
      const double low = ParseNumber(s.minText).value_or(0);
      const double high = ParseNumber(s.maxText).value_or(0);
      if (high - low < 4) continue;
      const double now = ParseNumber(s.value).value_or(low);
      std::string notice;
      double corrected = 0;
      if (page.EditNumber(x, now == low + 2 ? low + 3 : low + 2, notice, corrected)) {
        edited.push_back(x);
      }
    }
    std::sort(edited.begin(), edited.end());
    return edited;
  }

  std::string OnRelay(int x) {
    std::string value;
    EXPECT_TRUE(ReadSetting(state.Comm(), x, state.Store().settings[x].typeCode, value));
    return value;
  }

  std::unique_ptr<sim::RelaySimulation> relay;
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords{{"1234"}};
  WorkingState state;
  SetpointPage page;
};

// Cancels `token` when the apply's progress reaches register `at`, that is
// just before that setting would be written.
struct CancelAt : ProgressSink {
  CancelToken& token;
  int at;
  CancelAt(CancelToken& t, int x) : token(t), at(x) {}
  void Begin(std::string_view, int) override {}
  void Position(int position) override {
    if (position == at) token.Cancel();
  }
  void End() override {}
};

TEST(SequenceCancel, ApplyStoppedPartWaySaysHowFarAndKeepsTheRestPending) {
  Bench b;
  const std::vector<int> edited = b.ConnectAndEdit(10);
  ASSERT_EQ(edited.size(), 10u);
  std::vector<std::string> wanted;
  std::vector<std::string> before;
  for (int x : edited) {
    wanted.push_back(b.state.Store().settings[x].value);
    before.push_back(b.OnRelay(x));
  }

  CancelToken cancel;
  CancelAt sink(cancel, edited[4]);
  b.state.SetProgress(&sink);
  b.state.SetCancelToken(&cancel);
  const ApplyResult result = b.page.Apply();
  b.state.SetCancelToken(nullptr);
  b.state.SetProgress(nullptr);

  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.toWrite, 10);
  EXPECT_EQ(result.written, std::vector<int>(edited.begin(), edited.begin() + 4));
  EXPECT_TRUE(result.linkFailed.empty());
  EXPECT_EQ(b.page.WriteErrorText(), "Apply stopped: 4 of 10 settings written and verified");
  EXPECT_TRUE(b.state.PendingChanges());
  for (std::size_t i = 0; i < edited.size(); ++i) {
    const SettingRecord& s = b.state.Store().settings[edited[i]];
    SCOPED_TRACE(edited[i]);
    if (i < 4) {
      EXPECT_EQ(s.changed, 0);
      EXPECT_EQ(ParseNumber(b.OnRelay(edited[i])), ParseNumber(wanted[i]));
    } else {
      // Not written: still the user's edit, still marked, the relay untouched.
      EXPECT_EQ(s.changed, 1);
      EXPECT_EQ(GroupState(b.page.Tree(), s.group), kPending);
      EXPECT_EQ(s.value, wanted[i]);
      EXPECT_EQ(b.OnRelay(edited[i]), before[i]);
    }
  }

  // The next apply writes what is left and nothing twice.
  const ApplyResult rest = b.page.Apply();
  EXPECT_FALSE(rest.stopped);
  EXPECT_EQ(rest.toWrite, 6);
  EXPECT_EQ(rest.written, std::vector<int>(edited.begin() + 4, edited.end()));
  EXPECT_FALSE(b.state.PendingChanges());
  EXPECT_EQ(b.page.WriteErrorText(), "");
}

// A whole-file write stopped between two groups is reported as a write
// that did not finish, never as written, and the relay is identified again.
TEST(SequenceCancel, WriteToUnitStoppedPartWayIsNotReportedWritten) {
  Bench b;
  ASSERT_TRUE(b.state.ConnectUnit());
  test::ScratchFolder folder;
  const auto file = folder / "unit.cds";
  ASSERT_EQ(b.state.SaveSetpointFile(file), SaveOutcome::Saved);

  struct CancelInWrite : ProgressSink {
    CancelToken& token;
    bool writing = false;
    int steps = 0;
    explicit CancelInWrite(CancelToken& t) : token(t) {}
    void Begin(std::string_view caption, int) override { writing = caption == "Writing to Unit"; }
    void Position(int) override {
      if (writing && ++steps == 3) token.Cancel();
    }
    void End() override { writing = false; }
  };
  CancelToken cancel;
  CancelInWrite sink(cancel);
  b.state.SetProgress(&sink);
  b.state.SetCancelToken(&cancel);
  const WriteToUnitResult r = b.state.WriteSetpointFileToUnit(file);
  b.state.SetCancelToken(nullptr);
  b.state.SetProgress(nullptr);

  EXPECT_TRUE(r.stopped);
  EXPECT_EQ(r.outcome, WriteToUnitResult::Outcome::WriteFailed);
  EXPECT_GT(r.settingsWritten, 0);
  EXPECT_TRUE(r.reconnected);
  ASSERT_FALSE(b.dialogs.asked().empty());
  EXPECT_EQ(b.dialogs.asked().back().text.rfind(
                "Write to Unit stopped: " + std::to_string(r.settingsWritten) + " setting", 0),
            0u)
      << b.dialogs.asked().back().text;
}

TEST(SequenceCancel, RebuildStoppedPartWayListsOnlyTheGroupsRead) {
  Bench b;
  ASSERT_TRUE(b.state.ConnectUnit());
  b.page.Reset();
  b.page.SelectAll();
  int groups = 0;
  std::function<void(SetpointTreeNode&)> count = [&](SetpointTreeNode& n) {
    if (n.groupNumber >= 0 && n.state == kToRead) ++groups;
    for (auto& c : n.children) count(c);
  };
  count(const_cast<SetpointTreeNode&>(b.page.Tree()));
  ASSERT_GT(groups, 3);

  // Stop after the first setting of the third group has been read: that
  // group is not listed (unless it held that one setting alone).
  CancelToken cancel;
  b.state.SetCancelToken(&cancel);
  int groupsSeen = 0;
  int lastGroup = -1;
  bool first = true;
  b.page.Rebuild([&](int position) {
    if (first) {
      first = false;  // the bar's reset before any read
      return;
    }
    if (position != lastGroup) {
      lastGroup = position;
      if (++groupsSeen == 3) cancel.Cancel();
    }
  });
  b.state.SetCancelToken(nullptr);
  int listed = 0;
  int waiting = 0;
  std::function<void(const SetpointTreeNode&)> states = [&](const SetpointTreeNode& n) {
    if (n.groupNumber >= 0 && n.state == kListed) ++listed;
    if (n.groupNumber >= 0 && n.state == kToRead) ++waiting;
    for (const auto& c : n.children) states(c);
  };
  states(b.page.Tree());
  EXPECT_TRUE(listed == 2 || listed == 3) << listed;
  EXPECT_EQ(b.page.WriteErrorText(), "Reading stopped: " + std::to_string(listed) + " of " +
                                         std::to_string(groups) + " groups read");
  EXPECT_EQ(waiting, groups - listed) << "groups not read stay ticked, waiting to be read";
  const auto headings =
      std::count_if(b.page.Rows().begin(), b.page.Rows().end(),
                    [](const SetpointRow& r) { return r.kind == RowKind::Heading; });
  EXPECT_EQ(headings, listed);

  // The next rebuild reads the rest.
  b.page.Rebuild();
  EXPECT_EQ(b.page.WriteErrorText(), "");
  listed = waiting = 0;
  states(b.page.Tree());
  EXPECT_EQ(listed, groups);
  EXPECT_EQ(waiting, 0);
}

TEST(SequenceCancel, ConnectStopsAtTheNextReadAndStaysOffline) {
  // Cancelled before the first read, and after the first and the second
  // reply: no further request goes out, and the state is offline.
  for (int repliesBeforeCancel : {0, 1, 2}) {
    SCOPED_TRACE(repliesBeforeCancel);
    Bench b;
    CancelToken cancel;
    int sent = 0;
    int replies = 0;
    b.state.Tcp().SetFrameTrace([&](FrameDirection direction, std::span<const std::uint8_t>) {
      if (direction == FrameDirection::Tx) ++sent;
      if (direction == FrameDirection::Rx && ++replies == repliesBeforeCancel) cancel.Cancel();
    });
    if (repliesBeforeCancel == 0) cancel.Cancel();
    b.state.SetCancelToken(&cancel);
    EXPECT_FALSE(b.state.ConnectUnit());
    b.state.SetCancelToken(nullptr);
    EXPECT_EQ(sent, repliesBeforeCancel);
    EXPECT_TRUE(b.state.LastConnectStopped());
    EXPECT_FALSE(b.state.Online());
    EXPECT_EQ(b.state.View().networkText, "Failed to Connect");

    // Nothing is left behind: the next connect goes all the way.
    b.state.Tcp().SetFrameTrace({});
    EXPECT_TRUE(b.state.ConnectUnit());
    EXPECT_FALSE(b.state.LastConnectStopped());
  }
}

TEST(SequenceCancel, ThePanelSaysNoAnswerUntilAnExchangeGetsThrough) {
  Bench b;
  ASSERT_TRUE(b.state.ConnectUnit());
  EXPECT_EQ(b.state.View().networkText, "ONLINE");
  const int port = b.relay->TcpPort();
  b.relay->Stop();
  b.page.Reset();
  b.page.SelectAll();
  b.page.Rebuild();
  EXPECT_EQ(b.state.View().networkText, kNotAnsweringText);
  EXPECT_EQ(b.state.View().networkColor, PanelColor::Bad);
  EXPECT_TRUE(b.state.Online()) << "a silent relay is no disconnect";

  // The relay answers again (a new one on the same port): the first read
  // that gets through turns the panel back.
  std::string error;
  auto config = sim::MakeRelayConfig("DRA", 197, kDefaults, error);
  ASSERT_TRUE(config) << error;
  b.relay = std::make_unique<sim::RelaySimulation>(*config, sim::ServerOptions{});
  ASSERT_TRUE(b.relay->StartTcp("127.0.0.1", port).ok);
  b.page.SelectAll();
  b.page.Rebuild();
  EXPECT_EQ(b.state.View().networkText, "ONLINE");
  EXPECT_EQ(b.state.View().networkColor, PanelColor::Good);
}

// A relay that refuses a register has answered: the panel stays ONLINE.
TEST(SequenceCancel, AnExceptionReplyIsAnAnswer) {
  sim::ServerOptions options;
  options.faults.exceptionAt = 24;
  Bench b(options);
  ASSERT_TRUE(b.state.ConnectUnit());
  b.page.Reset();
  b.page.SelectAll();
  b.page.Rebuild();
  EXPECT_EQ(b.page.WriteErrorText(), kReadErrorText);
  EXPECT_EQ(b.page.RowOf(24), -1) << "the group whose read was refused is not listed";
  EXPECT_EQ(b.state.View().networkText, "ONLINE");
  EXPECT_EQ(b.state.View().networkColor, PanelColor::Good);
}

// The desktop's arrangement without a window: the working state runs its
// sequences on the link worker, its questions, password prompts and progress
// handed over to this (the owner) thread. Under ThreadSanitizer this is the
// check that the hand-over leaves no race.
TEST(SequenceCancel, OnTheWorkerQuestionsComeToTheOwnerAndCancelStopsTheApply) {
  using namespace std::chrono_literals;
  std::string error;
  auto config = sim::MakeRelayConfig("DRA", 197, kDefaults, error);
  ASSERT_TRUE(config) << error;
  sim::ServerOptions options;
  options.faults.delayMs = 3;  // an apply of 20 settings takes a while
  sim::RelaySimulation relay(*config, options);
  ASSERT_TRUE(relay.StartTcp().ok);

  Handover handover([] {});
  ScriptedDialogs dialogs;
  ScriptedPasswordPrompt passwords({"1234"});
  struct Positions : ProgressSink {
    std::thread::id owner = std::this_thread::get_id();
    int begun = 0;
    int last = -1;
    bool wrongThread = false;
    void Begin(std::string_view, int) override {
      wrongThread |= std::this_thread::get_id() != owner;
      ++begun;
    }
    void Position(int p) override {
      wrongThread |= std::this_thread::get_id() != owner;
      last = p;
    }
    void End() override { wrongThread |= std::this_thread::get_id() != owner; }
  } progress;
  HandedOverDialogs linkDialogs(dialogs, handover);
  HandedOverPasswords linkPasswords(passwords, handover);
  HandedOverProgress linkProgress(progress, handover);
  WorkingState state(linkDialogs, linkPasswords, kDefaults);
  state.SetProgress(&linkProgress);
  state.Tcp().SetRemoteHost("127.0.0.1");
  state.Tcp().SetRemotePort(static_cast<std::uint16_t>(relay.TcpPort()));
  state.Comm().protocol = ProtocolKind::ModbusTcp;
  SetpointPage page(state);

  LinkWorker worker;
  const auto run = [&](std::function<void()> sequence) {
    auto ticket = worker.Post([&, sequence](const CancelToken& cancel) {
      state.SetCancelToken(&cancel);
      sequence();
      state.SetCancelToken(nullptr);
    });
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!ticket->Finished() && std::chrono::steady_clock::now() < end) {
      handover.Drain();
      std::this_thread::sleep_for(1ms);
    }
    handover.Drain();
    return ticket;
  };

  bool connected = false;
  ASSERT_TRUE(run([&] { connected = state.ConnectUnit(); })->Ran());
  ASSERT_TRUE(connected) << state.View().networkText;
  page.Reset();
  page.SelectAll();
  run([&] { page.Rebuild(); });
  int edits = 0;
  for (const SetpointRow& row : std::vector<SetpointRow>(page.Rows())) {
    if (row.kind != RowKind::Setting || edits == 20) continue;
    const int x = row.reg;
    const SettingRecord& s = state.Store().settings[x];
    if (s.access != 0 || (s.typeCode != 1 && s.typeCode != 3)) continue;
    const double low = ParseNumber(s.minText).value_or(0);
    const double high = ParseNumber(s.maxText).value_or(0);
    if (high - low < 4) continue;
    const double now = ParseNumber(s.value).value_or(low);
    std::string notice;
    double corrected = 0;
    if (page.EditNumber(x, now == low + 2 ? low + 3 : low + 2, notice, corrected)) ++edits;
  }
  ASSERT_EQ(edits, 20);

  // Cancel from this thread once the apply is under way.
  ApplyResult result;
  auto ticket = worker.Post([&](const CancelToken& cancel) {
    state.SetCancelToken(&cancel);
    result = page.Apply();
    state.SetCancelToken(nullptr);
  });
  const auto end = std::chrono::steady_clock::now() + 20s;
  bool cancelled = false;
  while (!ticket->Finished() && std::chrono::steady_clock::now() < end) {
    handover.Drain();
    if (!cancelled && progress.last > 0 && passwords.PasswordAsks() == 1) {
      std::this_thread::sleep_for(20ms);
      worker.Cancel();
      cancelled = true;
    }
    std::this_thread::sleep_for(1ms);
  }
  handover.Drain();
  ASSERT_TRUE(ticket->Finished());
  EXPECT_EQ(passwords.PasswordAsks(), 1);
  EXPECT_FALSE(progress.wrongThread);
  EXPECT_GE(progress.begun, 1);
  ASSERT_TRUE(result.stopped);
  EXPECT_LT(result.written.size(), 20u);
  EXPECT_EQ(DescribeStoppedApply(result),
            "Apply stopped: " + std::to_string(result.written.size()) +
                " of 20 settings written and verified");
  EXPECT_TRUE(state.PendingChanges());

  // A window closing while a sequence waits on its question: the close
  // answers Cancel and the stop that follows is bounded.
  state.SetUnsavedChanges(true);
  MessageResult answer = MessageResult::Yes;
  std::atomic<bool> asking{false};
  auto question = worker.Post([&](const CancelToken&) {
    asking = true;
    answer = state.AskToSaveChanges();
  });
  while (!asking) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(10ms);
  const auto closing = std::chrono::steady_clock::now();
  handover.Close();
  worker.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - closing, 1s);
  EXPECT_TRUE(question->Ran());
  EXPECT_NE(answer, MessageResult::Yes);
  EXPECT_TRUE(dialogs.asked().empty());
}

}  // namespace
}  // namespace kvx
