#include "monitor/poll_thread.h"

#include <condition_variable>

namespace kvx {

// The showing side's view of the loop. `showing` is held while a snapshot
// is shown, so Stop() (which takes it to mark the loop stopped) waits for a
// showing under way on another thread; it is recursive so that a showing
// may itself stop the loop.
struct PollThread::Gate {
  std::recursive_mutex showing;
  bool stopped = false;  // under `showing`
  std::mutex mutex;
  std::condition_variable shown;
  long shownCount = 0;  // under `mutex`
};

PollThread::PollThread(Steps steps, PollPost post)
    : steps_(std::move(steps)), post_(std::move(post)), gate_(std::make_shared<Gate>()) {
  thread_ = std::thread([this] { Loop(); });
}

PollThread::~PollThread() {
  Stop();
}

void PollThread::RequestStop() {
  stop_.store(true);
  std::lock_guard lock(gate_->mutex);
  gate_->shown.notify_all();
}

void PollThread::Stop() {
  RequestStop();
  {
    std::lock_guard showing(gate_->showing);
    gate_->stopped = true;
  }
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
    // Inside a showing on the showing thread the loop may be waiting for
    // this very showing; it sees the stop at once and ends by itself.
    thread_.join();
  }
}

void PollThread::Loop() {
  while (!stop_.load()) {
    const bool ok = steps_.read(stop_);
    cycles_.fetch_add(1);
    if (stop_.load()) break;
    HandOver();
    Pause(ok ? steps_.pauseOk : steps_.pauseFailed);
  }
  ended_.store(true);
}

bool PollThread::HandOver() {
  std::function<void()> show = steps_.show();
  if (!post_) {
    show();
    return true;
  }
  long target = 0;
  {
    std::lock_guard lock(gate_->mutex);
    target = gate_->shownCount + 1;
  }
  std::shared_ptr<Gate> gate = gate_;
  const bool queued = post_([gate, show = std::move(show)] {
    {
      std::lock_guard showing(gate->showing);
      if (!gate->stopped) show();
    }
    std::lock_guard lock(gate->mutex);
    ++gate->shownCount;
    gate->shown.notify_all();
  });
  if (!queued) return false;
  std::unique_lock lock(gate_->mutex);
  gate_->shown.wait(lock, [&] { return gate_->shownCount >= target || stop_.load(); });
  return gate_->shownCount >= target;
}

void PollThread::Pause(std::chrono::milliseconds total) {
  // In 10 ms slices, so that a stop is seen within one slice.
  const auto end = std::chrono::steady_clock::now() + total;
  std::unique_lock lock(gate_->mutex);
  while (!stop_.load()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= end) break;
    const auto slice =
        std::min<std::chrono::steady_clock::duration>(end - now, std::chrono::milliseconds(10));
    gate_->shown.wait_for(lock, slice, [&] { return stop_.load(); });
  }
}

}  // namespace kvx
