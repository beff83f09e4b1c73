#pragma once
// Hands work from a worker or poll thread to the thread that owns the user
// interface and (for Run) waits until it has been done there. The owner's
// event loop is woken through `wake`, which may be called from any thread and
// must arrange for Drain() to run soon on the owner thread (the desktop posts
// a queued call; tests call Drain in a loop).
//
// The same pattern serves every thread that talks to the relay: the link
// worker forwards questions, messages and progress of a sequence; a poll loop
// hands over a typed snapshot and waits until the window has taken it.
//
// Close() (on the owner thread, before what the tasks touch goes away) drops
// every task not yet started and makes later calls return false at once, so
// a thread that is being stopped never waits on a window that no longer
// exists and never runs anything in it.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kvx {

class Handover {
 public:
  explicit Handover(std::function<void()> wake);
  ~Handover();
  Handover(const Handover&) = delete;
  Handover& operator=(const Handover&) = delete;

  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

  // Runs `task` on the owner thread and returns once it has run (true), or
  // once the handover was closed before it started (false). Called on the
  // owner thread it runs `task` at once.
  bool Run(std::function<void()> task);
  // Queues `task` for the owner thread without waiting; false when closed.
  bool Post(std::function<void()> task);

  // Owner thread: runs the tasks queued so far, in order.
  void Drain();
  // Owner thread: drops what has not started and refuses what comes later.
  void Close();
  bool Closed() const;

 private:
  struct Request {
    std::function<void()> task;
    enum class State { Queued, Done, Dropped } state = State::Queued;
  };

  std::function<void()> wake_;
  std::thread::id owner_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Request>> queue_;
  bool closed_ = false;
};

}  // namespace kvx
