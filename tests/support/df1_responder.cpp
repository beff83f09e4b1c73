#include "support/df1_responder.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "comm/df1_frames.h"

namespace kvx::test {
namespace {

using Bytes = Df1Responder::Bytes;

// Undoubles `wire` from `at` up to the DLE that is not doubled; `at` ends on
// that DLE. False when the bytes end first.
bool Unstuff(const Bytes& wire, std::size_t& at, Bytes& out) {
  while (at < wire.size()) {
    if (wire[at] != kDf1Dle) {
      out.push_back(wire[at++]);
      continue;
    }
    if (at + 1 >= wire.size()) return false;
    if (wire[at + 1] != kDf1Dle) return true;
    out.push_back(kDf1Dle);
    at += 2;
  }
  return false;
}

}  // namespace

Df1Responder::Df1Responder(bool bcc) : bcc_(bcc), thread_([this] { Run(); }) {}

Df1Responder::~Df1Responder() {
  stop_ = true;
  thread_.join();
}

void Df1Responder::Script(std::vector<Answer> answers) {
  std::lock_guard lock(guard_);
  script_.assign(answers.begin(), answers.end());
}

std::vector<Df1Responder::Received> Df1Responder::Log() {
  std::lock_guard lock(guard_);
  return log_;
}

int Df1Responder::Count(Kind kind) {
  std::lock_guard lock(guard_);
  int n = 0;
  for (const auto& r : log_) n += r.kind == kind;
  return n;
}

Bytes Df1Responder::ReplyFrame(const Bytes& packet) const {
  Bytes f{kDf1Dle, kDf1Stx};
  for (std::uint8_t b : packet) {
    f.push_back(b);
    if (b == kDf1Dle) f.push_back(kDf1Dle);
  }
  f.insert(f.end(), {kDf1Dle, kDf1Etx});
  if (bcc_) {
    f.push_back(Df1Bcc(packet));
  } else {
    Bytes covered = packet;
    covered.push_back(kDf1Etx);
    const std::uint16_t crc = Df1Crc(covered);
    f.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
  }
  return f;
}

Bytes Df1Responder::ReplyTo(const Bytes& request, const Bytes& data, std::uint8_t sts) const {
  Bytes p(6 + data.size());
  p[0] = request[1];
  p[1] = request[0];
  p[2] = static_cast<std::uint8_t>(request[2] | kDf1ReplyBit);
  p[3] = sts;
  p[4] = request[4];
  p[5] = request[5];
  std::copy(data.begin(), data.end(), p.begin() + 6);
  return p;
}

void Df1Responder::Take(std::uint8_t b) {
  pending_.push_back(b);
  const Bytes& w = pending_;
  if (w[0] != kDf1Dle) {
    std::lock_guard lock(guard_);
    log_.push_back({Kind::Noise, w, {}});
    pending_.clear();
    return;
  }
  if (w.size() < 2) return;
  Received r{Kind::Noise, w, {}};
  if (w[1] == kDf1Ack || w[1] == kDf1Nak) {
    r.kind = w[1] == kDf1Ack ? Kind::Ack : Kind::Nak;
  } else if (w[1] == kDf1Enq) {
    std::size_t at = 2;
    Bytes station;
    if (at >= w.size()) return;
    if (w[at] == kDf1Dle) {
      if (at + 1 >= w.size()) return;
      ++at;
    }
    station.push_back(w[at++]);
    if (w.size() < at + 2) return;  // check and pad
    r.kind = Kind::Poll;
    r.packet = station;
  } else if (w[1] == kDf1Soh) {
    std::size_t at = 2;
    Bytes station;
    if (!Unstuff(w, at, station)) return;  // ends on the DLE of DLE STX
    if (at + 1 >= w.size()) return;
    at += 2;
    Bytes packet;
    if (!Unstuff(w, at, packet)) return;  // ends on the DLE of DLE ETX
    if (w.size() < at + 2 + (bcc_ ? 1 : 2) + 1) return;
    r.kind = Kind::Message;
    r.packet = packet;
  } else {
    r.kind = Kind::Noise;
  }
  {
    std::lock_guard lock(guard_);
    log_.push_back(r);
  }
  pending_.clear();
  if (r.kind == Kind::Message || r.kind == Kind::Poll) Answer_(r.kind);
}

void Df1Responder::Answer_(Kind kind) {
  Answer answer;
  {
    std::lock_guard lock(guard_);
    if (!script_.empty()) {
      answer = script_.front();
      script_.pop_front();
    } else if (kind == Kind::Message) {
      answer.bytes = {kDf1Dle, kDf1Ack};
    } else {
      answer.bytes = {kDf1Dle, kDf1Eot};
    }
  }
  if (answer.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
  std::size_t done = 0;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (done < answer.bytes.size() && std::chrono::steady_clock::now() < giveUp) {
    ssize_t n = ::write(pty_.MasterFd(), answer.bytes.data() + done, answer.bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      pollfd out{pty_.MasterFd(), POLLOUT, 0};
      ::poll(&out, 1, 10);
    }
  }
}

void Df1Responder::Run() {
  std::uint8_t chunk[512];
  while (!stop_) {
    pollfd in{pty_.MasterFd(), POLLIN, 0};
    if (::poll(&in, 1, 10) <= 0) continue;
    ssize_t n = ::read(pty_.MasterFd(), chunk, sizeof chunk);
    for (ssize_t i = 0; i < n; ++i) Take(chunk[i]);
  }
}

}  // namespace kvx::test
