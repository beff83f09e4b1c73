#include "session/link_worker.h"

namespace kvx {

bool LinkWorker::Ticket::Finished() const {
  std::lock_guard lock(mutex_);
  return done_;
}

bool LinkWorker::Ticket::Ran() const {
  std::lock_guard lock(mutex_);
  return ran_;
}

bool LinkWorker::Ticket::WaitFor(std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return finished_.wait_for(lock, limit, [this] { return done_; });
}

LinkWorker::LinkWorker() : thread_([this] { Loop(); }) {}

LinkWorker::~LinkWorker() {
  Stop();
}

std::shared_ptr<LinkWorker::Ticket> LinkWorker::Post(Sequence sequence) {
  auto ticket = std::make_shared<Ticket>();
  ticket->sequence_ = std::move(sequence);
  {
    std::lock_guard lock(mutex_);
    if (!stopping_) {
      queue_.push_back(ticket);
      wake_.notify_one();
      return ticket;
    }
  }
  Finish(*ticket, false);
  return ticket;
}

void LinkWorker::Cancel() {
  std::lock_guard lock(mutex_);
  if (running_) running_->Cancel();
}

bool LinkWorker::Busy() const {
  std::lock_guard lock(mutex_);
  return running_ != nullptr || !queue_.empty();
}

void LinkWorker::Stop() {
  std::deque<std::shared_ptr<Ticket>> dropped;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (running_) running_->Cancel();
    dropped.swap(queue_);
    wake_.notify_one();
  }
  for (auto& ticket : dropped) Finish(*ticket, false);
  if (thread_.joinable() && !OnWorkerThread()) thread_.join();
}

void LinkWorker::Finish(Ticket& ticket, bool ran) {
  {
    std::lock_guard lock(ticket.mutex_);
    ticket.done_ = true;
    ticket.ran_ = ran;
    ticket.sequence_ = nullptr;
  }
  ticket.finished_.notify_all();
}

void LinkWorker::Loop() {
  for (;;) {
    std::shared_ptr<Ticket> ticket;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      ticket = queue_.front();
      queue_.pop_front();
      running_ = ticket;
    }
    // The sequence's own failures end the sequence, never the thread.
    try {
      ticket->sequence_(ticket->cancel_);
    } catch (...) {
    }
    {
      std::lock_guard lock(mutex_);
      running_.reset();
    }
    Finish(*ticket, true);
  }
}

}  // namespace kvx
