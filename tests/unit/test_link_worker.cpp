// The link worker and the handover: sequences in order, cancel at the next
// boundary, a bounded stop, and questions answered on the owner thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session/handed_over_front_end.h"
#include "session/handover.h"
#include "session/link_worker.h"
#include "shell/scripted_dialogs.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs the owner thread's side of a handover until `done` says so (bounded).
template <typename Done>
bool DrainUntil(Handover& handover, Done done, std::chrono::milliseconds limit = 5000ms) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    handover.Drain();
    std::this_thread::sleep_for(1ms);
  }
  handover.Drain();
  return true;
}

TEST(LinkWorker, RunsSequencesOneAtATimeInOrder) {
  LinkWorker worker;
  std::mutex mutex;
  std::vector<int> order;
  std::atomic<int> running{0};
  std::atomic<bool> overlapped{false};
  std::vector<std::shared_ptr<LinkWorker::Ticket>> tickets;
  for (int i = 0; i < 8; ++i) {
    tickets.push_back(worker.Post([&, i](const CancelToken&) {
      if (running.fetch_add(1) != 0) overlapped = true;
      std::this_thread::sleep_for(2ms);
      {
        std::lock_guard lock(mutex);
        order.push_back(i);
      }
      running.fetch_sub(1);
    }));
  }
  for (auto& t : tickets) ASSERT_TRUE(t->WaitFor(5000ms));
  for (auto& t : tickets) EXPECT_TRUE(t->Ran());
  EXPECT_FALSE(overlapped);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_FALSE(worker.Busy());
}

// A sequence of "exchanges" of 20 ms each that looks at its token between
// them, as the relay sequences do: cancel ends it at the next boundary and
// it reports how many it completed.
TEST(LinkWorker, CancelStopsTheRunningSequenceAtTheNextBoundary) {
  LinkWorker worker;
  std::atomic<int> completed{0};
  std::atomic<bool> started{false};
  auto first = worker.Post([&](const CancelToken& cancel) {
    started = true;
    for (int i = 0; i < 500; ++i) {
      if (cancel.Cancelled()) return;
      std::this_thread::sleep_for(20ms);
      ++completed;
    }
  });
  std::atomic<bool> secondRan{false};
  std::atomic<bool> secondSawCancel{false};
  auto second = worker.Post([&](const CancelToken& cancel) {
    secondRan = true;
    secondSawCancel = cancel.Cancelled();
  });
  while (!started) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(70ms);
  const auto asked = Clock::now();
  worker.Cancel();
  ASSERT_TRUE(first->WaitFor(2000ms));
  const auto took = Clock::now() - asked;
  EXPECT_LT(took, 200ms) << "more than one exchange after the cancel";
  EXPECT_GE(completed.load(), 2);
  EXPECT_LT(completed.load(), 10);
  // The cancel belonged to the running sequence: the next one runs, uncancelled.
  ASSERT_TRUE(second->WaitFor(2000ms));
  EXPECT_TRUE(secondRan);
  EXPECT_FALSE(secondSawCancel);
}

TEST(LinkWorker, StopIsBoundedAndDropsWhatIsQueued) {
  auto worker = std::make_unique<LinkWorker>();
  std::atomic<bool> started{false};
  auto running = worker->Post([&](const CancelToken& cancel) {
    started = true;
    while (!cancel.Cancelled()) std::this_thread::sleep_for(10ms);
  });
  std::atomic<bool> queuedRan{false};
  auto queued = worker->Post([&](const CancelToken&) { queuedRan = true; });
  while (!started) std::this_thread::sleep_for(1ms);
  const auto asked = Clock::now();
  worker->Stop();
  EXPECT_LT(Clock::now() - asked, 500ms);
  EXPECT_TRUE(running->Finished());
  EXPECT_TRUE(running->Ran());
  EXPECT_TRUE(queued->Finished());
  EXPECT_FALSE(queued->Ran());
  EXPECT_FALSE(queuedRan);
  // After the stop nothing runs; the ticket says so at once.
  auto late = worker->Post([&](const CancelToken&) { queuedRan = true; });
  EXPECT_TRUE(late->Finished());
  EXPECT_FALSE(late->Ran());
  worker.reset();
  EXPECT_FALSE(queuedRan);
}

TEST(LinkWorker, AThrowingSequenceEndsItselfNotTheWorker) {
  LinkWorker worker;
  auto bad = worker.Post([](const CancelToken&) { throw std::runtime_error("link"); });
  std::atomic<bool> ran{false};
  auto good = worker.Post([&](const CancelToken&) { ran = true; });
  ASSERT_TRUE(good->WaitFor(2000ms));
  EXPECT_TRUE(bad->Ran());
  EXPECT_TRUE(ran);
}

// Questions, passwords and progress asked on the worker are answered on the
// owner thread, in the order they were asked.
TEST(Handover, QuestionsOfASequenceAreAnsweredOnTheOwnerThread) {
  std::atomic<int> wakes{0};
  Handover handover([&] { ++wakes; });
  const auto owner = std::this_thread::get_id();

  struct OwnerDialogs : UserDialogs {
    std::thread::id owner;
    std::vector<std::string> asked;
    bool wrongThread = false;
    MessageResult Ask(const std::string&, const std::string& text, MessageKind) override {
      wrongThread |= std::this_thread::get_id() != owner;
      asked.push_back(text);
      return text == "Apply?" ? MessageResult::Yes : MessageResult::Ok;
    }
  } dialogs;
  dialogs.owner = owner;
  struct OwnerProgress : ProgressSink {
    std::thread::id owner;
    std::vector<std::string> seen;
    int last = -1;
    bool wrongThread = false;
    void Begin(std::string_view caption, int) override {
      wrongThread |= std::this_thread::get_id() != owner;
      seen.emplace_back(caption);
    }
    void Position(int p) override {
      wrongThread |= std::this_thread::get_id() != owner;
      last = p;
    }
    void End() override {
      wrongThread |= std::this_thread::get_id() != owner;
      seen.emplace_back("end");
    }
  } progress;
  progress.owner = owner;
  ScriptedPasswordPrompt passwords({"1234"});

  HandedOverDialogs forwardedDialogs(dialogs, handover);
  HandedOverPasswords forwardedPasswords(passwords, handover);
  HandedOverProgress forwardedProgress(progress, handover);

  LinkWorker worker;
  MessageResult answer = MessageResult::Cancel;
  std::string password;
  auto ticket = worker.Post([&](const CancelToken&) {
    forwardedProgress.Begin("Applying Changes", 100);
    for (int i = 0; i <= 100; ++i) forwardedProgress.Position(i);
    answer = forwardedDialogs.Ask("Setpoint Changes", "Apply?", MessageKind::YesNo);
    forwardedDialogs.Tell("Error", "Error writing Setpoint");
    password = forwardedPasswords.AskPassword();
    forwardedProgress.End();
  });
  ASSERT_TRUE(DrainUntil(handover, [&] { return ticket->Finished(); }));
  EXPECT_GT(wakes.load(), 0);
  EXPECT_EQ(answer, MessageResult::Yes);
  EXPECT_EQ(password, "1234");
  EXPECT_EQ(passwords.PasswordAsks(), 1);
  EXPECT_EQ(dialogs.asked, (std::vector<std::string>{"Apply?", "Error writing Setpoint"}));
  EXPECT_FALSE(dialogs.wrongThread);
  EXPECT_FALSE(progress.wrongThread);
  EXPECT_EQ(progress.seen, (std::vector<std::string>{"Applying Changes", "end"}));
  EXPECT_EQ(progress.last, 100);  // positions coalesce, the last one arrives

  // On the owner thread the calls go straight through.
  EXPECT_EQ(forwardedDialogs.Ask("Setpoint Changes", "Apply?", MessageKind::YesNo),
            MessageResult::Yes);
}

// A window that goes away while a sequence waits on a question: closing the
// handover answers Cancel (and an empty password) at once, and a stop that
// follows is bounded; nothing runs on the owner thread afterwards.
TEST(Handover, ClosingReleasesASequenceWaitingOnAQuestion) {
  Handover handover([] {});
  ScriptedDialogs dialogs({MessageResult::Yes});
  ScriptedPasswordPrompt passwords({"1234"});
  HandedOverDialogs forwardedDialogs(dialogs, handover);
  HandedOverPasswords forwardedPasswords(passwords, handover);
  LinkWorker worker;
  std::atomic<bool> asking{false};
  MessageResult answer = MessageResult::Yes;
  std::string password = "unset";
  auto ticket = worker.Post([&](const CancelToken&) {
    asking = true;
    answer = forwardedDialogs.Ask("Setpoint Changes", "Save?", MessageKind::YesNo);
    password = forwardedPasswords.AskPassword();
  });
  while (!asking) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(20ms);  // the question is waiting, undrained
  const auto asked = Clock::now();
  handover.Close();
  worker.Stop();
  EXPECT_LT(Clock::now() - asked, 500ms);
  EXPECT_TRUE(ticket->Ran());
  EXPECT_EQ(answer, MessageResult::Cancel);
  EXPECT_EQ(password, "");
  handover.Drain();
  EXPECT_TRUE(dialogs.asked().empty());
  EXPECT_EQ(passwords.PasswordAsks(), 0);
  EXPECT_FALSE(handover.Post([] {}));
}

// A snapshot handed over by a poll-style thread: the thread waits until the
// owner has taken it, so the next snapshot never overtakes it, and a close
// ends the loop's wait.
TEST(Handover, PollLoopHandsOverSnapshotsInOrderAndWaits) {
  Handover handover([] {});
  struct Snapshot {
    int sequence = 0;
    double value = 0;
  };
  std::vector<int> taken;
  std::atomic<int> refused{0};
  // The loop ends only when a hand-over is refused.
  std::thread poll([&] {
    for (int i = 0;; ++i) {
      Snapshot s{i, i * 1.5};
      if (!handover.Run([&] { taken.push_back(s.sequence); })) {
        ++refused;
        return;
      }
    }
  });
  ASSERT_TRUE(DrainUntil(handover, [&] { return taken.size() >= 20; }));
  handover.Close();
  poll.join();
  ASSERT_GE(taken.size(), 20u);
  for (std::size_t i = 0; i < taken.size(); ++i) EXPECT_EQ(taken[i], static_cast<int>(i));
  EXPECT_EQ(refused.load(), 1);
}

}  // namespace
}  // namespace kvx
