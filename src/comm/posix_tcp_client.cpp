#include "comm/posix_tcp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace kvx {
namespace {

// Sending one small request never takes long; this only bounds a peer that
// stopped reading.
constexpr std::chrono::milliseconds kSendTimeout{1000};

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
  auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

std::unique_ptr<TcpClient> MakeTcpClient() {
  return std::make_unique<PosixTcpClient>();
}

PosixTcpClient::~PosixTcpClient() {
  Disconnect();
}

CommError PosixTcpClient::Connect() {
  if (IsConnected()) return CommError::None;
  SetSystemError(0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(RemotePort());
  if (inet_pton(AF_INET, RemoteHost().c_str(), &address.sin_addr) != 1) {
    return CommError::BadAddress;
  }
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SetSystemError(errno);
    return CommError::SocketError;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINPROGRESS) {
      SetSystemError(errno);
      ::close(fd);
      return CommError::ConnectFailed;
    }
    const auto deadline = std::chrono::steady_clock::now() + kTcpConnectTimeout;
    for (;;) {
      pollfd pfd{fd, POLLOUT, 0};
      int ready = ::poll(&pfd, 1, RemainingMs(deadline));
      if (ready > 0) break;
      if (ready == 0) {
        ::close(fd);
        return CommError::ConnectTimeout;
      }
      if (errno != EINTR) {
        SetSystemError(errno);
        ::close(fd);
        return CommError::SocketError;
      }
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
      SetSystemError(error != 0 ? error : errno);
      ::close(fd);
      return CommError::ConnectFailed;
    }
  }
  fd_ = fd;
  return CommError::None;
}

void PosixTcpClient::Disconnect() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

CommError PosixTcpClient::WaitForData(std::chrono::milliseconds timeout, bool& readable) {
  readable = false;
  if (!IsConnected()) return CommError::SocketError;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pollfd pfd{fd_, POLLIN, 0};
    int ready = ::poll(&pfd, 1, RemainingMs(deadline));
    if (ready > 0) {
      if (pfd.revents & (POLLERR | POLLNVAL)) return CommError::SocketError;
      readable = true;  // data, or the end of the stream (POLLHUP), for Receive to tell
      return CommError::None;
    }
    if (ready == 0) return CommError::None;
    if (errno != EINTR) return CommError::SocketError;
  }
}

CommError PosixTcpClient::Send(std::span<const std::uint8_t> bytes, std::size_t& sent) {
  sent = 0;
  if (!IsConnected()) return CommError::SocketError;
  const auto deadline = std::chrono::steady_clock::now() + kSendTimeout;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      return errno == EPIPE || errno == ECONNRESET ? CommError::PeerClosed : CommError::SocketError;
    }
    int wait = RemainingMs(deadline);
    if (wait == 0) return CommError::SendIncomplete;
    pollfd pfd{fd_, POLLOUT, 0};
    if (::poll(&pfd, 1, wait) < 0 && errno != EINTR) return CommError::SocketError;
  }
  return CommError::None;
}

CommError PosixTcpClient::Receive(std::span<std::uint8_t> buffer, std::size_t& got) {
  got = 0;
  if (!IsConnected()) return CommError::SocketError;
  while (got < buffer.size()) {
    ssize_t n = ::recv(fd_, buffer.data() + got, buffer.size() - got, 0);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) return got > 0 ? CommError::None : CommError::PeerClosed;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) break;
    return errno == ECONNRESET ? CommError::PeerClosed : CommError::SocketError;
  }
  return CommError::None;
}

}  // namespace kvx
