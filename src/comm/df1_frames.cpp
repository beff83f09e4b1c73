#include "comm/df1_frames.h"

namespace kvx {
namespace {

constexpr std::array<std::uint16_t, 256> MakeArcTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xA001 : c >> 1;
    table[i] = static_cast<std::uint16_t>(c);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> kArcTable = MakeArcTable();

std::uint16_t CrcByte(std::uint16_t crc, std::uint8_t b) {
  return static_cast<std::uint16_t>((crc >> 8) ^ kArcTable[(crc ^ b) & 0xFF]);
}

void PushWord(Df1Packet& p, unsigned value) {
  p.Push(static_cast<std::uint8_t>(value & 0xFF));
  p.Push(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

Df1Packet Header(std::uint8_t unit, std::uint8_t source, std::uint8_t cmd, std::uint16_t tns,
                 int wordAddress) {
  Df1Packet p;
  p.Push(unit);
  p.Push(source);
  p.Push(cmd);
  p.Push(0);  // STS
  PushWord(p, tns);
  PushWord(p, static_cast<unsigned>(wordAddress) * 2);
  return p;
}

void PushStuffed(Df1Message& m, std::uint8_t b) {
  m.Push(b);
  if (b == kDf1Dle) m.Push(kDf1Dle);
}

}  // namespace

std::uint16_t Df1Crc(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
  for (std::uint8_t b : bytes) crc = CrcByte(crc, b);
  return crc;
}

std::uint8_t Df1Bcc(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF);
}

Df1Packet BuildDf1ReadPacket(std::uint8_t unit, std::uint8_t source, std::uint16_t tns,
                             int wordAddress, int count) {
  Df1Packet p = Header(unit, source, kDf1CmdRead, tns, wordAddress);
  PushWord(p, static_cast<unsigned>(count) * 2);
  return p;
}

Df1Packet BuildDf1WritePacket(std::uint8_t unit, std::uint8_t source, std::uint16_t tns,
                              int wordAddress, std::span<const std::uint16_t> words) {
  Df1Packet p = Header(unit, source, kDf1CmdWrite, tns, wordAddress);
  for (std::uint16_t w : words) PushWord(p, w);
  return p;
}

Df1Message BuildDf1Message(std::span<const std::uint8_t> packet, Df1Check check) {
  Df1Message m;
  if (packet.empty()) return m;
  const std::uint8_t station = packet[0];
  m.Push(kDf1Dle);
  m.Push(kDf1Soh);
  PushStuffed(m, station);
  m.Push(kDf1Dle);
  m.Push(kDf1Stx);
  for (std::uint8_t b : packet) PushStuffed(m, b);
  m.Push(kDf1Dle);
  m.Push(kDf1Etx);
  if (check == Df1Check::Crc) {
    std::uint16_t crc = CrcByte(0, station);
    crc = CrcByte(crc, kDf1Stx);
    crc = Df1Crc(packet, crc);
    crc = CrcByte(crc, kDf1Etx);
    m.Push(static_cast<std::uint8_t>(crc & 0xFF));
    m.Push(static_cast<std::uint8_t>(crc >> 8));
  } else {
    unsigned sum = station;
    for (std::uint8_t b : packet) sum += b;
    m.Push(static_cast<std::uint8_t>((0x100 - (sum & 0xFF)) & 0xFF));
  }
  m.Push(kDf1Pad);
  return m;
}

Df1Message BuildDf1Poll(std::uint8_t station) {
  Df1Message m;
  m.Push(kDf1Dle);
  m.Push(kDf1Enq);
  PushStuffed(m, station);
  m.Push(static_cast<std::uint8_t>((0x100 - station) & 0xFF));
  m.Push(kDf1Pad);
  return m;
}

std::size_t Df1ReplyLimit(std::size_t dataBytes) {
  const std::size_t longest = 2 + 2 * (kDf1PacketHeader + dataBytes) + 4;
  const std::size_t limit = longest > kDf1ReplyBuffer ? longest : kDf1ReplyBuffer;
  return limit < kDf1ReplyCapacity ? limit : kDf1ReplyCapacity;
}

Df1ReplyReader::Step Df1ReplyReader::Feed(std::uint8_t b) {
  // The byte that would pass the limit is not kept: the frame holds at most
  // `limit_` bytes (never more than the buffer).
  if (frame_.size >= limit_ || !frame_.Push(b)) return Step::TooLong;
  if (afterEtx_) {
    ++checkBytes_;
    return checkBytes_ < (check_ == Df1Check::Crc ? 2 : 1) ? Step::More : Step::Complete;
  }
  if (afterDle_) {
    afterDle_ = false;
    if (b == kDf1Etx) {
      afterEtx_ = true;
    } else if (b == kDf1Eot) {
      return Step::Complete;
    }
    return Step::More;
  }
  if (b == kDf1Dle) afterDle_ = true;
  return Step::More;
}

CommError ParseDf1Reply(std::span<const std::uint8_t> frame, Df1Check check, Df1Packet& packet) {
  packet.size = 0;
  if (frame.size() >= 2 && frame[0] == kDf1Dle && frame[1] == kDf1Eot) return CommError::Df1NoData;
  if (frame.size() < 2 || frame[0] != kDf1Dle || frame[1] != kDf1Stx) return CommError::Df1BadFrame;
  const std::size_t trailer = check == Df1Check::Crc ? 4 : 3;
  if (frame.size() < 2 + trailer) return CommError::Df1BadFrame;
  const std::size_t end = frame.size() - trailer;
  if (frame[end] != kDf1Dle || frame[end + 1] != kDf1Etx) return CommError::Df1BadFrame;
  std::uint16_t crc = 0;
  unsigned sum = 0;
  for (std::size_t i = 2; i < end; ++i) {
    if (frame[i] == kDf1Dle) {
      // Inside a packet only a doubled DLE may follow a DLE.
      if (i + 1 >= end || frame[i + 1] != kDf1Dle) return CommError::Df1BadFrame;
      ++i;
    }
    if (!packet.Push(frame[i])) return CommError::Df1BadFrame;
    crc = CrcByte(crc, frame[i]);
    sum += frame[i];
  }
  if (check == Df1Check::Crc) {
    crc = CrcByte(crc, kDf1Etx);
    crc = CrcByte(crc, frame[end + 2]);
    crc = CrcByte(crc, frame[end + 3]);
    if (crc != 0) return CommError::Df1BadFrame;
  } else if (((sum + frame[end + 2]) & 0xFF) != 0) {
    return CommError::Df1BadFrame;
  }
  return CommError::None;
}

CommError JudgeDf1Reply(std::span<const std::uint8_t> packet, std::uint8_t requestCmd,
                        std::uint16_t tns, int count, std::span<std::uint16_t> words) {
  if (packet.size() < kDf1PacketHeader) return CommError::Df1PacketTooShort;
  if (packet[2] != (requestCmd | kDf1ReplyBit)) return CommError::WrongFunction;
  if (packet[3] != 0) return CommError::Df1ErrorStatus;
  if (packet[4] != (tns & 0xFF) || packet[5] != (tns >> 8)) return CommError::WrongTransaction;
  if (count <= 0) return CommError::None;
  const std::size_t data = 2 * static_cast<std::size_t>(count);
  if (packet.size() != kDf1PacketHeader + data || words.size() < static_cast<std::size_t>(count)) {
    return CommError::WrongByteCount;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    words[i] = static_cast<std::uint16_t>(packet[kDf1PacketHeader + 2 * i] |
                                          (packet[kDf1PacketHeader + 2 * i + 1] << 8));
  }
  return CommError::None;
}

}  // namespace kvx
