#include "sim/sim_tcp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "sim/modbus_request_handler.h"

namespace kvx::sim {
namespace {

constexpr std::size_t kMaxAdu = 260;  // MBAP header (7) + the longest PDU (253)

struct Client {
  int fd = -1;
  std::vector<std::uint8_t> buffer;
};

bool SendAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
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
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return SimStatus::Fail(std::string("socket: ") + std::strerror(errno));
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) {
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

// The reply whole, or in the pieces --split-ms asks for, that many ms apart.
bool SimTcpServer::SendPieces(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t from = 0;
  for (std::size_t cut : faults_.SplitPoints(bytes.size())) {
    if (!SendAll(fd, {bytes.begin() + static_cast<std::ptrdiff_t>(from),
                      bytes.begin() + static_cast<std::ptrdiff_t>(cut)}) ||
        wake_.SleepFor(std::chrono::milliseconds(options_.faults.splitMs))) {
      return false;
    }
    from = cut;
  }
  return SendAll(fd, {bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end()});
}

void SimTcpServer::Run() {
  ModbusRequestHandler handler(device_, options_.faults.exceptionAt);
  std::vector<Client> clients;
  auto drop = [&clients](std::size_t i) {
    close(clients[i].fd);
    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
  };
  for (;;) {
    std::vector<pollfd> fds{{wake_.ReadFd(), POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const Client& c : clients) fds.push_back({c.fd, POLLIN, 0});
    int r = poll(fds.data(), fds.size(), 1000);
    if (r < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    if (fds[1].revents & POLLIN) {
      int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd >= 0) {
        if (clients.size() >= kMaxClients) {
          close(fd);
        } else {
          int one = 1;
          setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
          clients.push_back({fd, {}});
        }
      }
    }
    // Walk the clients polled this round backwards, so that dropping one
    // leaves the indices of the others intact.
    for (std::size_t i = fds.size() - 2; i-- > 0;) {
      const short ev = fds[i + 2].revents;
      if (!ev) continue;
      Client& c = clients[i];
      std::uint8_t chunk[kMaxAdu];
      ssize_t n = recv(c.fd, chunk, sizeof chunk, 0);
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        drop(i);
        continue;
      }
      c.buffer.insert(c.buffer.end(), chunk, chunk + n);
      bool broken = false;
      while (c.buffer.size() >= 7) {
        const int protocol = (c.buffer[2] << 8) | c.buffer[3];
        const int length = (c.buffer[4] << 8) | c.buffer[5];
        if (protocol != 0 || length < 2 || length > 254) {
          broken = true;  // the stream has lost its framing
          break;
        }
        const auto total = static_cast<std::size_t>(6 + length);
        if (c.buffer.size() < total) break;
        const std::uint8_t unit = c.buffer[6];
        std::span<const std::uint8_t> pdu(c.buffer.data() + 7, total - 7);
        std::vector<std::uint8_t> resp =
            (unit == options_.unit || unit == 0 || unit == 255)
                ? handler.Handle(pdu)
                : ModbusRequestHandler::ExceptionPdu(pdu[0], ModbusException::GatewayTargetFailed);
        std::vector<std::uint8_t> adu{c.buffer[0],
                                      c.buffer[1],
                                      0,
                                      0,
                                      static_cast<std::uint8_t>((resp.size() + 1) >> 8),
                                      static_cast<std::uint8_t>((resp.size() + 1) & 0xFF),
                                      unit};
        adu.insert(adu.end(), resp.begin(), resp.end());
        c.buffer.erase(c.buffer.begin(), c.buffer.begin() + static_cast<std::ptrdiff_t>(total));
        if (options_.faults.delayMs > 0 &&
            wake_.SleepFor(std::chrono::milliseconds(options_.faults.delayMs))) {
          broken = true;
          break;
        }
        if (auto shaped = faults_.Shape(std::move(adu), ReplyFraming::ModbusTcp)) {
          if (!SendPieces(c.fd, *shaped)) {
            broken = true;
            break;
          }
        }
      }
      if (broken || c.buffer.size() > kMaxAdu) drop(i);
    }
  }
  for (const Client& c : clients) close(c.fd);
}

}  // namespace kvx::sim
