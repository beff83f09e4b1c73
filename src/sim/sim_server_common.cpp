#include "sim/sim_server_common.h"

#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace kvx::sim {

WakePipe::WakePipe() {
  if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) fds_[0] = fds_[1] = -1;
}

WakePipe::~WakePipe() {
  for (int fd : fds_) {
    if (fd >= 0) close(fd);
  }
}

void WakePipe::Signal() {
  if (fds_[1] < 0) return;
  const char c = 1;
  [[maybe_unused]] ssize_t n = write(fds_[1], &c, 1);
}

bool WakePipe::Signalled() const {
  pollfd p{fds_[0], POLLIN, 0};
  return poll(&p, 1, 0) > 0;
}

bool WakePipe::SleepFor(std::chrono::steady_clock::duration duration) const {
  const auto end = std::chrono::steady_clock::now() + duration;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return Signalled();
    timespec ts{static_cast<time_t>(left.count() / 1000000000),
                static_cast<long>(left.count() % 1000000000)};
    pollfd p{fds_[0], POLLIN, 0};
    int r = ppoll(&p, 1, &ts, nullptr);
    if (r > 0) return true;
    if (r == 0) continue;
  }
}

}  // namespace kvx::sim
