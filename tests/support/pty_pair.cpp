#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace kvx::test {

PtyPair::PtyPair() {
  std::array<char, 128> name{};
  if (openpty(&master_, &slave_, name.data(), nullptr, nullptr) != 0) {
    master_ = slave_ = -1;
    return;
  }
  slaveName_ = name.data();
  termios tio{};
  tcgetattr(slave_, &tio);
  cfmakeraw(&tio);
  tcsetattr(slave_, TCSANOW, &tio);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

PtyCable::PtyCable() : thread_([this] { Run(); }) {}

PtyCable::~PtyCable() {
  stop_ = true;
  thread_.join();
}

void PtyCable::Run() {
  std::array<unsigned char, 4096> buffer;
  pollfd fds[2] = {{a_.MasterFd(), POLLIN, 0}, {b_.MasterFd(), POLLIN, 0}};
  while (!stop_) {
    if (::poll(fds, 2, 10) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
      if (n <= 0) continue;
      int to = fds[1 - i].fd;
      ssize_t done = 0;
      while (done < n && !stop_) {
        ssize_t w = ::write(to, buffer.data() + done, static_cast<size_t>(n - done));
        if (w > 0) {
          done += w;
        } else {
          pollfd out{to, POLLOUT, 0};
          ::poll(&out, 1, 10);
        }
      }
    }
  }
}

}  // namespace kvx::test
