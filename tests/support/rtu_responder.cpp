#include "support/rtu_responder.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>

#include "comm/crc16_modbus.h"

namespace kvx::test {
namespace {

void PutWord(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

void AppendCrc(std::vector<std::uint8_t>& frame) {
  std::uint16_t crc = Crc16Modbus(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

}  // namespace

RtuResponder::RtuResponder(std::uint8_t unit) : unit_(unit), thread_([this] { Run(); }) {}

RtuResponder::~RtuResponder() {
  stop_ = true;
  thread_.join();
}

std::vector<std::uint8_t> RtuResponder::LastRequest() {
  std::lock_guard<std::mutex> hold(guard_);
  return lastRequest_;
}

std::vector<int> RtuResponder::CoilsForced() {
  std::lock_guard<std::mutex> hold(guard_);
  return coils_;
}

bool RtuResponder::ReadExactly(std::uint8_t* into, std::size_t n, int timeoutMs) {
  std::size_t got = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got < n && !stop_) {
    ssize_t r = ::read(pty_.MasterFd(), into + got, n - got);
    if (r > 0) {
      got += static_cast<std::size_t>(r);
      continue;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pollfd pfd{pty_.MasterFd(), POLLIN, 0};
    ::poll(&pfd, 1, 10);
  }
  return got == n;
}

void RtuResponder::Drain() {
  std::uint8_t scratch[256];
  while (::read(pty_.MasterFd(), scratch, sizeof scratch) > 0) {
  }
}

void RtuResponder::Run() {
  while (!stop_) {
    std::vector<std::uint8_t> frame(2);
    pollfd pfd{pty_.MasterFd(), POLLIN, 0};
    if (::poll(&pfd, 1, 10) <= 0 || !(pfd.revents & POLLIN)) continue;
    if (!ReadExactly(frame.data(), 2, 50)) continue;
    std::size_t length = 0;
    switch (frame[1]) {
      case 0x03:
      case 0x05:
        length = 8;
        break;
      case 0x10: {
        frame.resize(7);
        if (!ReadExactly(frame.data() + 2, 5, 50)) {
          ++badFrames_;
          continue;
        }
        length = 9 + frame[6];
        break;
      }
      default:
        ++badFrames_;
        Drain();
        continue;
    }
    const std::size_t have = frame.size();
    frame.resize(length);
    // A request arrives in one burst; a gap inside it means a torn frame.
    if (!ReadExactly(frame.data() + have, length - have, 50) || Crc16Modbus(frame) != 0) {
      ++badFrames_;
      Drain();
      continue;
    }
    if (frame[1] == 0x10 && frame[6] != 2 * ((frame[4] << 8) | frame[5])) {
      ++badFrames_;
      continue;
    }
    {
      std::lock_guard<std::mutex> hold(guard_);
      lastRequest_ = frame;
    }
    if (frame[0] != unit_) {
      ++otherUnit_;
      continue;
    }
    ++requests_;
    Handle(frame);
  }
}

void RtuResponder::Handle(const std::vector<std::uint8_t>& request) {
  std::chrono::milliseconds delay{};
  const Fault fault = faults_.Next(delay);
  const std::uint8_t function = request[1];
  const unsigned first = (request[2] << 8) | request[3];
  if (function == 0x05) {
    std::lock_guard<std::mutex> hold(guard_);
    coils_.push_back(static_cast<int>(first));
  }
  if (fault == Fault::Silent) return;
  std::vector<std::uint8_t> reply{fault == Fault::OtherUnit ? std::uint8_t(unit_ ^ 0x01) : unit_};
  if (fault == Fault::Exception) {
    reply.push_back(static_cast<std::uint8_t>(function | 0x80));
    reply.push_back(0x02);
  } else if (function == 0x03) {
    const unsigned count = (request[4] << 8) | request[5];
    reply.push_back(0x03);
    reply.push_back(
        static_cast<std::uint8_t>(2 * count + (fault == Fault::WrongByteCount ? 2 : 0)));
    for (std::uint16_t w : registers_.Read(first, count)) PutWord(reply, w);
  } else if (function == 0x10) {
    const unsigned count = (request[4] << 8) | request[5];
    std::vector<std::uint16_t> values;
    for (unsigned i = 0; i < count; ++i) {
      values.push_back(static_cast<std::uint16_t>((request[7 + 2 * i] << 8) | request[8 + 2 * i]));
    }
    registers_.Write(first, values);
    reply.insert(reply.end(), request.begin() + 1, request.begin() + 6);
    if (fault == Fault::WrongEcho) reply[3] = static_cast<std::uint8_t>(reply[3] + 1);
  } else {
    ++coilWrites_;
    reply.insert(reply.end(), request.begin() + 1, request.begin() + 6);
  }
  AppendCrc(reply);
  switch (fault) {
    case Fault::BadCrc:
      reply.back() ^= 0x5A;
      break;
    case Fault::Truncate:
      reply.pop_back();
      break;
    case Fault::GarbageBefore:
      reply.insert(reply.begin(), {0x00, 0x3C, 0x11});
      break;
    case Fault::Late:
      std::this_thread::sleep_for(delay);
      break;
    default:
      break;
  }
  Reply(std::move(reply), false);
}

void RtuResponder::Reply(std::vector<std::uint8_t> reply, bool appendCrc) {
  if (appendCrc) AppendCrc(reply);
  std::size_t done = 0;
  while (done < reply.size() && !stop_) {
    ssize_t w = ::write(pty_.MasterFd(), reply.data() + done, reply.size() - done);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
    } else {
      pollfd pfd{pty_.MasterFd(), POLLOUT, 0};
      ::poll(&pfd, 1, 10);
    }
  }
}

}  // namespace kvx::test
