#include "session/handover.h"

namespace kvx {

Handover::Handover(std::function<void()> wake)
    : wake_(std::move(wake)), owner_(std::this_thread::get_id()) {}

Handover::~Handover() {
  Close();
}

bool Handover::Run(std::function<void()> task) {
  if (OnOwnerThread()) {
    if (Closed()) return false;
    task();
    return true;
  }
  auto request = std::make_shared<Request>();
  request->task = std::move(task);
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    queue_.push_back(request);
  }
  if (wake_) wake_();
  std::unique_lock lock(mutex_);
  // A task the owner has started always finishes (it may touch this stack
  // frame), so the wait ends only on Done or Dropped, never on Close alone.
  changed_.wait(lock, [&] { return request->state != Request::State::Queued; });
  return request->state == Request::State::Done;
}

bool Handover::Post(std::function<void()> task) {
  auto request = std::make_shared<Request>();
  request->task = std::move(task);
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    queue_.push_back(std::move(request));
  }
  if (wake_) wake_();
  return true;
}

void Handover::Drain() {
  for (;;) {
    std::shared_ptr<Request> request;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty() || closed_) return;
      request = queue_.front();
      queue_.pop_front();
    }
    request->task();
    {
      std::lock_guard lock(mutex_);
      request->state = Request::State::Done;
      request->task = nullptr;
    }
    changed_.notify_all();
  }
}

void Handover::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (auto& request : queue_) {
      request->state = Request::State::Dropped;
      request->task = nullptr;
    }
    queue_.clear();
  }
  changed_.notify_all();
}

bool Handover::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

}  // namespace kvx
