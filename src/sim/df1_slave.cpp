#include "sim/df1_slave.h"

namespace kvx::sim {
namespace {

constexpr std::uint8_t DLE = 0x10, SOH = 0x01, STX = 0x02, ETX = 0x03, EOT = 0x04, ENQ = 0x05,
                       ACK = 0x06, NAK = 0x15;

std::uint8_t Bcc(std::uint8_t first, std::span<const std::uint8_t> bytes) {
  unsigned sum = first;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>(-sum & 0xFF);
}

}  // namespace

std::uint16_t Df1Slave::Crc(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
  for (std::uint8_t b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i)
      crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                      : static_cast<std::uint16_t>(crc >> 1);
  }
  return crc;
}

std::vector<std::uint8_t> Df1Slave::Feed(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> out;
  for (std::uint8_t b : bytes) Step(b, out);
  return out;
}

std::vector<std::uint8_t> Df1Slave::Silence() {
  std::vector<std::uint8_t> out;
  if (state_ == State::Check) FinishMessage(true, out);
  state_ = State::Scan;
  return out;
}

void Df1Slave::Step(std::uint8_t b, std::vector<std::uint8_t>& out) {
  switch (state_) {
    case State::Scan:
      if (b == DLE) state_ = State::AfterDle;  // anything else (a pad byte) is ignored
      break;
    case State::AfterDle:
      state_ = State::Scan;
      if (b == SOH) {
        state_ = State::Station;
        packet_.clear();
        check_.clear();
      } else if (b == ENQ) {
        state_ = State::PollStation;
      } else if (b == ACK || b == NAK) {
        pending_.clear();  // the master has it, or has given up on it
      } else if (b == DLE) {
        state_ = State::AfterDle;  // a pad byte that happened to be DLE
      }
      break;
    case State::Station:
      stationReceived_ = b;
      state_ = b == DLE ? State::StationDle : State::WantStx;
      break;
    case State::StationDle:
      state_ = b == DLE ? State::WantStx : State::Scan;
      break;
    case State::WantStx:
      state_ = b == DLE ? State::WantStxDle : State::Scan;
      break;
    case State::WantStxDle:
      state_ = b == STX ? State::Packet : State::Scan;
      break;
    case State::Packet:
      if (b == DLE) {
        state_ = State::PacketDle;
      } else if (packet_.size() < kMaxPacket) {
        packet_.push_back(b);
      } else {
        state_ = State::Scan;  // longer than any request: not one
      }
      break;
    case State::PacketDle:
      if (b == DLE && packet_.size() < kMaxPacket) {
        packet_.push_back(DLE);
        state_ = State::Packet;
      } else if (b == ETX) {
        state_ = State::Check;
      } else {
        state_ = State::Scan;
      }
      break;
    case State::Check:
      check_.push_back(b);
      if (check_.size() == 2) FinishMessage(false, out);
      break;
    case State::PollStation:
      stationReceived_ = b;
      state_ = b == DLE ? State::PollStationDle : State::PollCheck;
      break;
    case State::PollStationDle:
      state_ = b == DLE ? State::PollCheck : State::Scan;
      break;
    case State::PollCheck:
      state_ = State::Scan;
      if (stationReceived_ != station_ || static_cast<std::uint8_t>(stationReceived_ + b) != 0)
        break;
      if (pending_.empty() || pollsSinceMessage_++ < quirks_.eotPolls) {
        out.insert(out.end(), {DLE, EOT});
      } else {
        out.insert(out.end(), pending_.begin(), pending_.end());
      }
      break;
  }
}

void Df1Slave::FinishMessage(bool silence, std::vector<std::uint8_t>& out) {
  state_ = State::Scan;
  const auto station = static_cast<std::uint8_t>(stationReceived_);
  bool bcc = false, good = false;
  if (check_.size() == 2) {
    // CRC over station, STX, packet and ETX as the program's master sends it,
    // or over packet and ETX alone as the reply carries it.
    const std::uint16_t got = static_cast<std::uint16_t>(check_[0] | (check_[1] << 8));
    const std::uint8_t head[2] = {station, STX};
    const std::uint8_t etx = ETX;
    const std::uint16_t withHead = Crc({&etx, 1}, Crc(packet_, Crc(head)));
    const std::uint16_t bare = Crc({&etx, 1}, Crc(packet_));
    good = got == withHead || got == bare;
  }
  if (!good && !check_.empty() && check_[0] == Bcc(station, packet_)) {
    good = true;
    bcc = true;
  }
  if (!good && !silence && check_.size() < 2) return;
  if (station != station_) return;  // another node's message
  if (!good || packet_.size() < 6) {
    out.insert(out.end(), {DLE, NAK});
    return;
  }
  if (quirks_.nakEvery > 0 && ++goodMessages_ % quirks_.nakEvery == 0) {
    out.insert(out.end(), {DLE, NAK});
    return;
  }
  out.insert(out.end(), {DLE, ACK});
  pending_ = Frame(Execute(), bcc);
  pollsSinceMessage_ = 0;
}

std::vector<std::uint8_t> Df1Slave::Execute() {
  const std::vector<std::uint8_t>& p = packet_;
  std::vector<std::uint8_t> reply{
      p[1], static_cast<std::uint8_t>(station_), static_cast<std::uint8_t>(p[2] | 0x40), 0, p[4],
      p[5]};
  auto status = [&reply](std::uint8_t sts) {
    reply[3] = sts;
    return reply;
  };
  const std::uint8_t cmd = p[2];
  if ((cmd != 0x01 && cmd != 0x08) || p.size() < 8) return status(kStsIllegalCommand);
  const int byteAddress = p[6] | (p[7] << 8);
  const int first = byteAddress / 2;
  if (cmd == 0x01) {
    if (p.size() != 10) return status(kStsIllegalCommand);
    const int bytes = p[8] | (p[9] << 8);
    const int count = (bytes + 1) / 2;
    if (count < 1 || count > 120) return status(kStsIllegalCommand);
    if (exceptionAt_ >= first && exceptionAt_ < first + count) return status(kStsAddressProblem);
    std::uint16_t words[120];
    if (device_.ReadRegisters(static_cast<std::uint16_t>(first), static_cast<std::uint16_t>(count),
                              words) != ModbusException::None)
      return status(kStsAddressProblem);
    for (int i = 0; i < count; ++i) {
      reply.push_back(static_cast<std::uint8_t>(words[i] & 0xFF));
      reply.push_back(static_cast<std::uint8_t>(words[i] >> 8));
    }
    return reply;
  }
  const std::size_t dataBytes = p.size() - 8;
  if (dataBytes < 2 || dataBytes % 2 != 0 || dataBytes > 240) return status(kStsIllegalCommand);
  const int count = static_cast<int>(dataBytes / 2);
  if (exceptionAt_ >= first && exceptionAt_ < first + count) return status(kStsAddressProblem);
  std::uint16_t words[120];
  for (int i = 0; i < count; ++i)
    words[i] = static_cast<std::uint16_t>(p[8 + 2 * i] | (p[9 + 2 * i] << 8));
  if (device_.WriteRegisters(static_cast<std::uint16_t>(first),
                             {words, static_cast<std::size_t>(count)}) != ModbusException::None)
    return status(kStsAddressProblem);
  return reply;
}

std::vector<std::uint8_t> Df1Slave::Frame(const std::vector<std::uint8_t>& packet, bool bcc) const {
  std::vector<std::uint8_t> f{DLE, STX};
  for (std::uint8_t b : packet) {
    f.push_back(b);
    if (b == DLE) f.push_back(DLE);
  }
  f.insert(f.end(), {DLE, ETX});
  if (bcc) {
    unsigned sum = 0;
    for (std::uint8_t b : packet) sum += b;
    f.push_back(static_cast<std::uint8_t>(-sum & 0xFF));
  } else {
    const std::uint8_t etx = ETX;
    const std::uint16_t crc = Crc({&etx, 1}, Crc(packet));
    f.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
  }
  return f;
}

}  // namespace kvx::sim
