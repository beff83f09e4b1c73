#pragma once
// The one thread that talks to the relay for a front end. Sequences
// (connect, the page's reads, apply, refresh, saves and writes from and to
// the relay) are queued and run one at a time in the order given, each with
// its own CancelToken that the sequence looks at between exchanges.
//
// Cancel() stops the running sequence at its next exchange boundary; it is
// bounded by one exchange's time-out. Stop() cancels the running sequence,
// drops the queued ones and joins the thread: a front end closes its
// Handover first (so a sequence waiting on a question is answered at once)
// and then stops the worker before anything the sequences use goes away.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "session/cancel_token.h"

namespace kvx {

class LinkWorker {
 public:
  using Sequence = std::function<void(const CancelToken& cancel)>;

  // What became of one queued sequence.
  class Ticket {
   public:
    // True once the sequence has ended, or was dropped without running.
    bool Finished() const;
    bool Ran() const;  // it started (and so ran to its end or its cancel)
    // Waits at most `limit`; true when finished by then.
    bool WaitFor(std::chrono::milliseconds limit) const;
    void Cancel() { cancel_.Cancel(); }

   private:
    friend class LinkWorker;
    Sequence sequence_;
    CancelToken cancel_;
    mutable std::mutex mutex_;
    mutable std::condition_variable finished_;
    bool done_ = false;
    bool ran_ = false;
  };

  LinkWorker();
  ~LinkWorker();
  LinkWorker(const LinkWorker&) = delete;
  LinkWorker& operator=(const LinkWorker&) = delete;

  // Queues `sequence`; after Stop() it is dropped at once.
  std::shared_ptr<Ticket> Post(Sequence sequence);
  // Cancels the sequence running now (queued ones still run).
  void Cancel();
  bool Busy() const;
  // Cancels the running sequence, drops the queued ones and joins.
  void Stop();
  bool OnWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

 private:
  void Loop();
  static void Finish(Ticket& ticket, bool ran);

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<Ticket>> queue_;
  std::shared_ptr<Ticket> running_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace kvx
