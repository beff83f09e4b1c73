#include "sim/sim_rtu_pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "sim/df1_slave.h"
#include "sim/modbus_request_handler.h"
#include "sim/rtu_request_framer.h"
#include "sim/sim_crc.h"

namespace kvx::sim {
namespace {

// 3.5 character times at the paced rate, but never below what a scheduler
// jitter on a loaded machine could split a request by.
std::chrono::milliseconds SilenceGap(int baud) {
  const int ms = baud > 0 ? (35 * 1000 + baud - 1) / baud : 0;
  return std::chrono::milliseconds(std::max(ms, 20));
}

}  // namespace

SimRtuPtyServer::SimRtuPtyServer(ModbusDevice& device, ServerOptions options, SerialFraming framing)
    : device_(device), options_(options), framing_(framing), faults_(options.faults) {}

SimRtuPtyServer::~SimRtuPtyServer() {
  Stop();
}

SimStatus SimRtuPtyServer::Start(const std::string& linkPath) {
  if (Running()) return SimStatus::Fail("the RTU server is already running");
  if (!wake_.Valid()) return SimStatus::Fail("cannot create the stop pipe");
  int relayEnd = -1, masterEnd = -1;
  char name[PATH_MAX] = {};
  if (openpty(&relayEnd, &masterEnd, name, nullptr, nullptr) != 0)
    return SimStatus::Fail(std::string("openpty: ") + std::strerror(errno));
  // Raw both ways: no echo, no line editing, no CR/LF translation.
  termios tio{};
  if (tcgetattr(masterEnd, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(masterEnd, TCSANOW, &tio);
  }
  fcntl(relayEnd, F_SETFD, FD_CLOEXEC);
  fcntl(masterEnd, F_SETFD, FD_CLOEXEC);
  fcntl(relayEnd, F_SETFL, fcntl(relayEnd, F_GETFL) | O_NONBLOCK);
  if (!linkPath.empty()) {
    std::error_code ec;
    auto st = std::filesystem::symlink_status(linkPath, ec);
    if (std::filesystem::exists(st) || std::filesystem::is_symlink(st)) {
      if (!std::filesystem::is_symlink(st)) {
        close(relayEnd);
        close(masterEnd);
        return SimStatus::Fail(linkPath + " exists and is not a symbolic link");
      }
      std::filesystem::remove(linkPath, ec);
    }
    std::filesystem::create_symlink(name, linkPath, ec);
    if (ec) {
      close(relayEnd);
      close(masterEnd);
      return SimStatus::Fail("cannot link " + linkPath + ": " + ec.message());
    }
  }
  ptyFd_ = relayEnd;
  deviceFd_ = masterEnd;
  devicePath_ = name;
  linkPath_ = linkPath;
  thread_ = std::thread([this] { Run(); });
  return {};
}

void SimRtuPtyServer::Stop() {
  if (!thread_.joinable()) return;
  wake_.Signal();
  thread_.join();
  if (!linkPath_.empty()) {
    std::error_code ec;
    if (std::filesystem::read_symlink(linkPath_, ec) == devicePath_)
      std::filesystem::remove(linkPath_, ec);
  }
  close(ptyFd_);
  close(deviceFd_);
  ptyFd_ = deviceFd_ = -1;
}

void SimRtuPtyServer::SendReply(const std::vector<std::uint8_t>& bytes) {
  using namespace std::chrono;
  const auto start = steady_clock::now();
  // 10 bits a character (start, 8 data, stop); a byte is handed over when its
  // stop bit has gone by, so n bytes take n character times, as on the line.
  const double perByte = options_.paceBaud > 0 ? 10.0 / options_.paceBaud : 0.0;
  std::size_t sent = 0;
  const auto giveUp =
      start + seconds(2) +
      duration_cast<steady_clock::duration>(duration<double>(perByte * bytes.size()));
  while (sent < bytes.size()) {
    std::size_t due = bytes.size();
    if (perByte > 0) {
      double elapsed = duration<double>(steady_clock::now() - start).count();
      due = std::min(bytes.size(), static_cast<std::size_t>(elapsed / perByte));
    }
    if (due > sent) {
      ssize_t n = write(ptyFd_, bytes.data() + sent, due - sent);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno != EAGAIN && errno != EINTR) return;
      // The terminal is full (nobody reads): wait a little for room.
      pollfd p{ptyFd_, POLLOUT, 0};
      poll(&p, 1, 10);
    } else {
      auto next =
          start + duration_cast<steady_clock::duration>(duration<double>(perByte * (sent + 1)));
      if (wake_.SleepFor(next - steady_clock::now())) return;
    }
    if (steady_clock::now() > giveUp || wake_.Signalled()) return;
  }
}

void SimRtuPtyServer::Run() {
  if (framing_ == SerialFraming::Df1) {
    RunDf1();
  } else {
    RunRtu();
  }
}

void SimRtuPtyServer::RunDf1() {
  using Clock = std::chrono::steady_clock;
  Df1Slave slave(device_, options_.unit, options_.faults.exceptionAt,
                 {options_.faults.df1EotPolls, options_.faults.df1NakEvery});
  const auto gap = SilenceGap(options_.paceBaud);
  Clock::time_point lastByte{};
  for (;;) {
    const int timeout = slave.Idle() ? 1000 : static_cast<int>(gap.count()) + 1;
    pollfd fds[2] = {{wake_.ReadFd(), POLLIN, 0}, {ptyFd_, POLLIN, 0}};
    int r = poll(fds, 2, timeout);
    if (r < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    std::vector<std::uint8_t> out;
    if (fds[1].revents & POLLIN) {
      std::uint8_t chunk[256];
      ssize_t n = read(ptyFd_, chunk, sizeof chunk);
      if (n > 0 && device_.Silent()) {
        continue;  // the line is cut: nothing reaches the relay
      } else if (n > 0) {
        out = slave.Feed({chunk, static_cast<std::size_t>(n)});
        lastByte = Clock::now();
      }
    } else if (fds[1].revents & (POLLHUP | POLLERR)) {
      if (wake_.SleepFor(std::chrono::milliseconds(50))) break;
    } else if (!slave.Idle() && Clock::now() - lastByte >= gap) {
      out = slave.Silence();
    }
    if (out.empty()) continue;
    if (options_.faults.delayMs > 0 &&
        wake_.SleepFor(std::chrono::milliseconds(options_.faults.delayMs)))
      return;
    if (auto shaped = faults_.Shape(std::move(out))) SendReply(*shaped);
  }
}

void SimRtuPtyServer::RunRtu() {
  using Clock = std::chrono::steady_clock;
  ModbusRequestHandler handler(device_, options_.faults.exceptionAt);
  RtuRequestFramer framer(SilenceGap(options_.paceBaud));
  for (;;) {
    int timeout = 1000;
    if (framer.Pending()) {
      auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(framer.GapEnds() - Clock::now());
      timeout = static_cast<int>(std::clamp<long>(left.count() + 1, 0, 1000));
    }
    pollfd fds[2] = {{wake_.ReadFd(), POLLIN, 0}, {ptyFd_, POLLIN, 0}};
    int r = poll(fds, 2, timeout);
    if (r < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    if (fds[1].revents & POLLIN) {
      std::uint8_t chunk[256];
      ssize_t n = read(ptyFd_, chunk, sizeof chunk);
      if (n > 0) framer.Feed({chunk, static_cast<std::size_t>(n)}, Clock::now());
    } else if (fds[1].revents & (POLLHUP | POLLERR)) {
      // Should not happen while the master's end is held open; do not spin.
      if (wake_.SleepFor(std::chrono::milliseconds(50))) break;
    }
    while (auto frame = framer.Next(Clock::now())) {
      const std::uint8_t unit = (*frame)[0];
      if (unit != options_.unit && unit != 0) continue;  // another slave's request
      if (device_.Silent()) continue;
      std::span<const std::uint8_t> pdu(frame->data() + 1, frame->size() - 3);
      std::vector<std::uint8_t> resp = handler.Handle(pdu);
      if (unit == 0) continue;  // broadcast: act, never answer
      std::vector<std::uint8_t> adu{unit};
      adu.insert(adu.end(), resp.begin(), resp.end());
      const std::uint16_t crc = ModbusCrc(adu);
      adu.push_back(static_cast<std::uint8_t>(crc & 0xFF));
      adu.push_back(static_cast<std::uint8_t>(crc >> 8));
      if (options_.faults.delayMs > 0 &&
          wake_.SleepFor(std::chrono::milliseconds(options_.faults.delayMs)))
        return;
      if (auto shaped = faults_.Shape(std::move(adu))) SendReply(*shaped);
    }
  }
}

}  // namespace kvx::sim
