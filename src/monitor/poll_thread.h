#pragma once
// A poll loop on its own thread: read a cycle, hand the snapshot to the
// thread that shows it and wait until it has been shown, pause, again, until
// asked to stop. The metering and the status poll are two of these.
//
// Stopping is bounded: the stop request is looked at before every exchange,
// before the hand-over, while waiting for it and every 10 ms of the pause, so
// Stop() returns within one exchange (with its attempts) of being called.
// After Stop() has returned, no snapshot of this loop is being shown or will
// be shown: a hand-over still queued at the front end finds the loop stopped
// and does nothing. Stop() may be called from the showing thread, also from
// inside a showing (the loop is then not waited for there; the destructor
// joins it).

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace kvx {

// Queues a task for the showing thread without waiting; false when that
// thread takes no more tasks (its hand-over has closed).
using PollPost = std::function<bool(std::function<void()>)>;

class PollThread {
 public:
  struct Steps {
    // Reads one cycle into the loop's own snapshot; true when it got
    // through. Looks at `stop` before every exchange.
    std::function<bool(const std::atomic<bool>& stop)> read;
    // Makes the task that shows the snapshot just read (a copy of it), run
    // on the showing thread.
    std::function<std::function<void()>()> show;
    std::chrono::milliseconds pauseOk{1000};
    std::chrono::milliseconds pauseFailed{2000};
  };

  // Starts at once. `post` empty: the snapshot is shown on the poll thread.
  PollThread(Steps steps, PollPost post);
  ~PollThread();  // Stop()
  PollThread(const PollThread&) = delete;
  PollThread& operator=(const PollThread&) = delete;

  // Asks the loop to end, makes sure no showing runs any more, and joins.
  void Stop();
  // Asks the loop to end without waiting for it.
  void RequestStop();
  bool Running() const { return !ended_.load(); }
  // Cycles read so far (for tests and the benchmark).
  long Cycles() const { return cycles_.load(); }

 private:
  struct Gate;  // shared with the tasks queued at the showing thread
  void Loop();
  bool HandOver();
  void Pause(std::chrono::milliseconds total);

  Steps steps_;
  PollPost post_;
  std::shared_ptr<Gate> gate_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> ended_{false};
  std::atomic<long> cycles_{0};
  std::thread thread_;
};

}  // namespace kvx
