#include "sim/sim_tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <deque>
#include <vector>

#include "sim/modbus_request_handler.h"

namespace kvx::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxAdu = 260;  // MBAP header (7) + the longest PDU (253)
constexpr auto kMaxPollWait = std::chrono::milliseconds(1000);
constexpr int kSendBuffer = 16 * 1024;

struct Client {
  int fd = -1;
  std::vector<std::uint8_t> in;  // request bytes not yet framed
  struct Reply {
    Clock::time_point due;  // when it may go (after the reply delay)
    std::vector<std::uint8_t> bytes;
    std::size_t sent = 0;
  };
  std::deque<Reply> replies;    // in request order
  std::size_t unsent = 0;       // bytes of `replies` not yet taken by the socket
  Clock::time_point lastHeard;  // last request byte received
  bool dead = false;

  bool CanSend(Clock::time_point now) const {
    return !replies.empty() && replies.front().due <= now;
  }
};

// Hands the socket what it takes now of the replies that are due; false when
// the peer is gone.
bool Flush(Client& c, Clock::time_point now) {
  while (c.CanSend(now)) {
    Client::Reply& r = c.replies.front();
    const ssize_t n =
        send(c.fd, r.bytes.data() + r.sent, r.bytes.size() - r.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) return false;
    r.sent += static_cast<std::size_t>(n);
    c.unsent -= static_cast<std::size_t>(n);
    if (r.sent == r.bytes.size()) c.replies.pop_front();
  }
  return true;
}

}  // namespace

bool ParseHostPort(const std::string& text, std::string& host, int& port) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  host = text.substr(0, colon);
  const char* b = text.data() + colon + 1;
  const char* e = text.data() + text.size();
  auto [p, ec] = std::from_chars(b, e, port);
  return ec == std::errc() && p == e && b != e && port >= 0 && port <= 65535;
}

SimTcpServer::SimTcpServer(ModbusDevice& device, ServerOptions options)
    : device_(device), options_(options), faults_(options.faults) {}

SimTcpServer::~SimTcpServer() {
  Stop();
}

SimStatus SimTcpServer::Start(const std::string& host, int port) {
  if (Running()) return SimStatus::Fail("the TCP server is already running");
  if (!wake_.Valid()) return SimStatus::Fail("cannot create the stop pipe");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1)
    return SimStatus::Fail("not an IPv4 address: " + host);
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return SimStatus::Fail(std::string("socket: ") + std::strerror(errno));
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 64) != 0) {
    std::string err = std::strerror(errno);
    close(fd);
    return SimStatus::Fail("cannot listen on " + host + ":" + std::to_string(port) + ": " + err);
  }
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  listenFd_ = fd;
  thread_ = std::thread([this] { Run(); });
  return {};
}

void SimTcpServer::Stop() {
  if (!thread_.joinable()) return;
  wake_.Signal();
  thread_.join();
  close(listenFd_);
  listenFd_ = -1;
}

void SimTcpServer::Run() {
  ModbusRequestHandler handler(device_, options_.faults.exceptionAt);
  const auto delay = std::chrono::milliseconds(options_.faults.delayMs);
  const auto idle = options_.idleTimeout;
  std::vector<Client> clients;

  // Frames and answers every whole request in `c.in`; false when the stream
  // has lost its framing.
  auto serve = [&](Client& c, Clock::time_point now) {
    while (c.in.size() >= 7) {
      const int protocol = (c.in[2] << 8) | c.in[3];
      const int length = (c.in[4] << 8) | c.in[5];
      if (protocol != 0 || length < 2 || length > 254) return false;
      const auto total = static_cast<std::size_t>(6 + length);
      if (c.in.size() < total) break;
      const std::uint8_t unit = c.in[6];
      if (device_.Silent()) {
        c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(total));
        continue;
      }
      std::span<const std::uint8_t> pdu(c.in.data() + 7, total - 7);
      std::vector<std::uint8_t> resp =
          (unit == options_.unit || unit == 0 || unit == 255)
              ? handler.Handle(pdu)
              : ModbusRequestHandler::ExceptionPdu(pdu[0], ModbusException::GatewayTargetFailed);
      std::vector<std::uint8_t> adu{c.in[0],
                                    c.in[1],
                                    0,
                                    0,
                                    static_cast<std::uint8_t>((resp.size() + 1) >> 8),
                                    static_cast<std::uint8_t>((resp.size() + 1) & 0xFF),
                                    unit};
      adu.insert(adu.end(), resp.begin(), resp.end());
      c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(total));
      if (auto shaped = faults_.Shape(std::move(adu), ReplyFraming::ModbusTcp)) {
        c.unsent += shaped->size();
        // --split-ms: the reply in pieces, each due that much after the one before.
        std::vector<std::size_t> cuts = faults_.SplitPoints(shaped->size());
        cuts.push_back(shaped->size());
        auto due = now + delay;
        std::size_t from = 0;
        for (std::size_t cut : cuts) {
          c.replies.push_back(
              {due,
               std::vector<std::uint8_t>(shaped->begin() + static_cast<std::ptrdiff_t>(from),
                                         shaped->begin() + static_cast<std::ptrdiff_t>(cut)),
               0});
          from = cut;
          due += std::chrono::milliseconds(options_.faults.splitMs);
        }
      }
    }
    return c.in.size() <= kMaxAdu;
  };

  for (;;) {
    auto now = Clock::now();
    Clock::time_point wake = now + kMaxPollWait;
    for (Client& c : clients) {
      if (c.CanSend(now) && !Flush(c, now)) c.dead = true;
      // A reply the socket has not taken kDrainTime after it was due: the
      // client does not read, or reads slower than it asks (a trickle through
      // a window it keeps nearly closed counts as not reading).
      if (!c.replies.empty() && now - c.replies.front().due >= kDrainTime) c.dead = true;
      if (c.unsent > kMaxUnsent) c.dead = true;
      if (c.replies.empty() && now - c.lastHeard >= idle) c.dead = true;
      if (c.dead) continue;
      if (c.replies.empty()) {
        wake = std::min(wake, c.lastHeard + idle);
      } else if (c.replies.front().due > now) {
        wake = std::min(wake, c.replies.front().due);
      } else {
        wake = std::min(wake, c.replies.front().due + kDrainTime);
      }
    }
    for (Client& c : clients) {
      if (c.dead) close(c.fd);
    }
    std::erase_if(clients, [](const Client& c) { return c.dead; });

    // At the limit the listening socket is left alone: new connections wait
    // in its queue until a place frees.
    const bool accepting = clients.size() < static_cast<std::size_t>(kMaxClients);
    std::vector<pollfd> fds{{wake_.ReadFd(), POLLIN, 0}, {accepting ? listenFd_ : -1, POLLIN, 0}};
    for (const Client& c : clients) {
      fds.push_back({c.fd, static_cast<short>(POLLIN | (c.CanSend(now) ? POLLOUT : 0)), 0});
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now);
    const int r =
        poll(fds.data(), fds.size(),
             static_cast<int>(std::max<long long>(0, std::min<long long>(wait.count(), 1000))));
    if (r < 0 && errno != EINTR) break;
    if (r < 0) continue;
    if (fds[0].revents) break;
    now = Clock::now();

    for (std::size_t i = 0; i < clients.size(); ++i) {
      const short ev = fds[i + 2].revents;
      Client& c = clients[i];
      if (ev & POLLOUT) {
        if (!Flush(c, now)) c.dead = true;
      }
      if (!(ev & (POLLIN | POLLHUP | POLLERR)) || c.dead) continue;
      std::uint8_t chunk[kMaxAdu];
      const ssize_t n = recv(c.fd, chunk, sizeof chunk, MSG_DONTWAIT);
      if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
      if (n <= 0) {
        c.dead = true;
        continue;
      }
      c.lastHeard = now;
      c.in.insert(c.in.end(), chunk, chunk + n);
      if (!serve(c, now) || (c.CanSend(now) && !Flush(c, now))) c.dead = true;
    }

    if (accepting && (fds[1].revents & POLLIN)) {
      while (clients.size() < static_cast<std::size_t>(kMaxClients)) {
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) break;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        // A fixed send buffer: a client that stops reading shows up as a
        // stalled queue here within kSendBuffer bytes, not after megabytes.
        int buffer = kSendBuffer;
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
        Client c;
        c.fd = fd;
        c.lastHeard = now;
        clients.push_back(std::move(c));
      }
    }
  }
  for (const Client& c : clients) close(c.fd);
}

}  // namespace kvx::sim
