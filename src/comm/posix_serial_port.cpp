#include "comm/posix_serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace kvx {
namespace {

speed_t SpeedFor(int baud) {
  switch (baud) {
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    default:
      return B9600;
  }
}

// Unix98 pseudo-terminal slaves use majors 136..143; legacy BSD ptys major 3.
bool IsPtyDevice(int fd) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  unsigned major_number = major(st.st_rdev);
  return (major_number >= 136 && major_number <= 143) || major_number == 3;
}

int RemainingMs(SerialPort::Clock::time_point deadline) {
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - SerialPort::Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

bool IsSupportedBaudRate(int baud) {
  return baud == 9600 || baud == 19200 || baud == 38400;
}

std::unique_ptr<SerialPort> MakeSerialPort() {
  return std::make_unique<PosixSerialPort>();
}

PosixSerialPort::~PosixSerialPort() {
  Close();
}

bool PosixSerialPort::SetBaudRate(int baud) {
  if (!IsSupportedBaudRate(baud)) return false;
  baud_ = baud;
  if (IsOpen()) ApplyLineSettings();
  return true;
}

CommError PosixSerialPort::Open() {
  if (IsOpen()) return CommError::None;
  SetSystemError(0);
  int fd = ::open(PortName().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetSystemError(errno);
    return errno == EBUSY ? CommError::PortBusy : CommError::PortOpenFailed;
  }
  // flock covers other handles in this process too (it belongs to the open
  // file description); TIOCEXCL keeps out openers that do not use flock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    SetSystemError(errno == EWOULDBLOCK ? EBUSY : errno);
    ::close(fd);
    return CommError::PortBusy;
  }
  if (!isatty(fd)) {
    SetSystemError(ENOTTY);
    ::close(fd);
    return CommError::PortOpenFailed;
  }
  fd_ = fd;
  pty_ = IsPtyDevice(fd);
  ::ioctl(fd_, TIOCEXCL);
  CommError setup = ApplyLineSettings();
  if (setup != CommError::None) {
    SetSystemError(errno);
    Close();
    return setup;
  }
  return CommError::None;
}

CommError PosixSerialPort::ApplyLineSettings() {
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return CommError::PortSetupFailed;
  cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  cfsetispeed(&tio, SpeedFor(baud_));
  cfsetospeed(&tio, SpeedFor(baud_));
  if (tcsetattr(fd_, TCSANOW, &tio) != 0 && !pty_) return CommError::PortSetupFailed;
  int lines = TIOCM_DTR | TIOCM_RTS;
  if (::ioctl(fd_, TIOCMBIC, &lines) != 0 && !pty_) return CommError::PortSetupFailed;
  return CommError::None;
}

void PosixSerialPort::Close() {
  if (fd_ < 0) return;
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);  // also drops the flock
  fd_ = -1;
  pty_ = false;
}

CommError PosixSerialPort::ClearBuffers() {
  if (!IsOpen()) return CommError::PortError;
  return tcflush(fd_, TCIOFLUSH) == 0 ? CommError::None : CommError::PortError;
}

CommError PosixSerialPort::Write(std::span<const std::uint8_t> bytes, std::size_t& written) {
  written = 0;
  if (!IsOpen()) return CommError::PortError;
  const auto deadline = Clock::now() + SerialTimeoutFor(bytes.size());
  while (written < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (n > 0) {
      written += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return CommError::PortError;
    int wait = RemainingMs(deadline);
    if (wait == 0) return CommError::WriteIncomplete;
    pollfd pfd{fd_, POLLOUT, 0};
    int ready = ::poll(&pfd, 1, wait);
    if (ready < 0 && errno != EINTR) return CommError::PortError;
    if (ready > 0 && (pfd.revents & (POLLERR | POLLNVAL))) return CommError::PortError;
  }
  return CommError::None;
}

CommError PosixSerialPort::ReadUntil(std::span<std::uint8_t> buffer, std::size_t& got,
                                     Clock::time_point deadline) {
  got = 0;
  if (!IsOpen()) return CommError::PortError;
  while (got < buffer.size()) {
    ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // A pty whose other end has gone reads EIO; a real device that vanished
    // reads EIO or 0 with POLLHUP. Either way the device is in error.
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return CommError::PortError;
    int wait = RemainingMs(deadline);
    if (wait == 0) return CommError::ReplyTooShort;
    pollfd pfd{fd_, POLLIN, 0};
    int ready = ::poll(&pfd, 1, wait);
    if (ready < 0 && errno != EINTR) return CommError::PortError;
    if (ready > 0 && !(pfd.revents & POLLIN) && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL))) {
      return CommError::PortError;
    }
  }
  return CommError::None;
}

}  // namespace kvx
