#include "support/tcp_responder.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace kvx::test {
namespace {

void PutWord(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

bool SendAll(int fd, const std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

TcpResponder::TcpResponder() {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener_, 4) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ADD_FAILURE() << "cannot listen on loopback";
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

TcpResponder::~TcpResponder() {
  stop_ = true;
  thread_.join();
  if (listener_ >= 0) ::close(listener_);
}

std::vector<std::uint8_t> TcpResponder::LastRequest() {
  std::lock_guard<std::mutex> hold(guard_);
  return lastRequest_;
}

void TcpResponder::Run() {
  while (!stop_) {
    pollfd pfd{listener_, POLLIN, 0};
    if (::poll(&pfd, 1, 10) <= 0) continue;
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    Serve(fd);
    ::close(fd);
  }
}

// Serves one connection until the client closes it, the responder closes it
// (fault Close) or a newer connection is waiting (the client reconnected).
void TcpResponder::Serve(int fd) {
  std::vector<std::uint8_t> pending;
  while (!stop_) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {listener_, POLLIN, 0}};
    if (::poll(fds, 2, 10) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      std::uint8_t buffer[512];
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      pending.insert(pending.end(), buffer, buffer + n);
      while (pending.size() >= 7) {
        const std::size_t length = 6 + ((pending[4] << 8) | pending[5]);
        if (pending.size() < length) break;
        std::vector<std::uint8_t> request(pending.begin(), pending.begin() + length);
        pending.erase(pending.begin(), pending.begin() + length);
        if (!Handle(fd, request)) return;
      }
    } else if (fds[1].revents & POLLIN) {
      return;
    } else if (fds[0].revents & (POLLHUP | POLLERR)) {
      return;
    }
  }
}

bool TcpResponder::Handle(int fd, const std::vector<std::uint8_t>& request) {
  ++requests_;
  {
    std::lock_guard<std::mutex> hold(guard_);
    lastRequest_ = request;
  }
  std::chrono::milliseconds delay{};
  const Fault fault = faults_.Next(delay);
  if (fault == Fault::Silent) return true;
  if (fault == Fault::Close) return false;
  if (request.size() < 12) return true;
  const std::uint8_t function = request[7];
  const unsigned first = (request[8] << 8) | request[9];
  const unsigned count = (request[10] << 8) | request[11];
  std::vector<std::uint8_t> pdu;
  if (fault == Fault::Exception || (function != 0x03 && function != 0x10)) {
    pdu = {static_cast<std::uint8_t>(function | 0x80), 0x02};
  } else if (function == 0x03) {
    pdu = {0x03, static_cast<std::uint8_t>(2 * count)};
    for (std::uint16_t w : registers_.Read(first, count)) PutWord(pdu, w);
  } else {
    std::vector<std::uint16_t> values;
    for (unsigned i = 0; i < count && 14 + 2 * i < request.size(); ++i) {
      values.push_back(
          static_cast<std::uint16_t>((request[13 + 2 * i] << 8) | request[14 + 2 * i]));
    }
    registers_.Write(first, values);
    pdu.assign(request.begin() + 7, request.begin() + 12);
  }
  if (fault == Fault::WrongEcho && pdu.size() == 5) pdu[2] = static_cast<std::uint8_t>(pdu[2] + 1);
  std::vector<std::uint8_t> reply(request.begin(), request.begin() + 4);
  if (fault == Fault::OtherTransaction) reply[1] = static_cast<std::uint8_t>(reply[1] - 1);
  PutWord(reply, static_cast<unsigned>(pdu.size() + 1));
  reply.push_back(fault == Fault::OtherUnit ? static_cast<std::uint8_t>(request[6] ^ 1)
                                            : request[6]);
  reply.insert(reply.end(), pdu.begin(), pdu.end());
  switch (fault) {
    case Fault::Truncate:
      reply.pop_back();
      break;
    case Fault::Surplus:
      reply.push_back(0xEE);
      break;
    case Fault::Late:
      std::this_thread::sleep_for(delay);
      break;
    case Fault::Split: {
      // The first piece ends inside the header.
      const std::size_t half = 4;
      if (!SendAll(fd, reply.data(), half)) return false;
      std::this_thread::sleep_for(delay);
      return SendAll(fd, reply.data() + half, reply.size() - half);
    }
    default:
      break;
  }
  return SendAll(fd, reply.data(), reply.size());
}

}  // namespace kvx::test
