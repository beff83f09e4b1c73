// The relay as a DF1 half-duplex slave, fed the frames a DF1 master sends.

#include <gtest/gtest.h>

#include "sim/df1_slave.h"
#include "sim/simulated_relay.h"

namespace kvx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t DLE = 0x10, SOH = 0x01, STX = 0x02, ETX = 0x03, EOT = 0x04, ENQ = 0x05,
                       ACK = 0x06, NAK = 0x15;

// CRC-16/ARC in its table form, written apart from the slave's.
std::uint16_t Arc(const Bytes& bytes) {
  static std::uint16_t table[256];
  static bool built = false;
  if (!built) {
    for (int i = 0; i < 256; ++i) {
      std::uint16_t c = static_cast<std::uint16_t>(i);
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : c >> 1;
      table[i] = c;
    }
    built = true;
  }
  std::uint16_t crc = 0;
  for (std::uint8_t b : bytes)
    crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ b) & 0xFF]);
  return crc;
}

Bytes Stuffed(const Bytes& bytes) {
  Bytes out;
  for (std::uint8_t b : bytes) {
    out.push_back(b);
    if (b == DLE) out.push_back(DLE);
  }
  return out;
}

// A master message as the program's DF1 client builds it, with a pad byte.
Bytes Message(std::uint8_t station, const Bytes& packet, bool bcc = false) {
  Bytes f{DLE, SOH};
  Bytes st = Stuffed({station});
  f.insert(f.end(), st.begin(), st.end());
  f.insert(f.end(), {DLE, STX});
  Bytes body = Stuffed(packet);
  f.insert(f.end(), body.begin(), body.end());
  f.insert(f.end(), {DLE, ETX});
  if (bcc) {
    unsigned sum = station;
    for (auto b : packet) sum += b;
    f.push_back(static_cast<std::uint8_t>(-sum & 0xFF));
  } else {
    Bytes covered{station, STX};
    covered.insert(covered.end(), packet.begin(), packet.end());
    covered.push_back(ETX);
    const std::uint16_t crc = Arc(covered);
    f.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
  }
  f.push_back(0x00);  // pad
  return f;
}

Bytes Poll(std::uint8_t station) {
  Bytes f{DLE, ENQ};
  Bytes st = Stuffed({station});
  f.insert(f.end(), st.begin(), st.end());
  f.push_back(static_cast<std::uint8_t>(-station & 0xFF));
  f.push_back(0x00);
  return f;
}

// The reply packet out of a reply frame, with its check verified.
Bytes ReplyPacket(const Bytes& frame, bool bcc = false) {
  EXPECT_GE(frame.size(), 6u);
  if (frame.size() < 6 || frame[0] != DLE || frame[1] != STX) return {};
  Bytes packet;
  std::size_t i = 2;
  for (; i + 1 < frame.size(); ++i) {
    if (frame[i] == DLE) {
      if (frame[i + 1] == ETX) break;
      ++i;
    }
    packet.push_back(frame[i]);
  }
  Bytes check(frame.begin() + static_cast<long>(i) + 2, frame.end());
  if (bcc) {
    unsigned sum = 0;
    for (auto b : packet) sum += b;
    EXPECT_EQ(check, Bytes{static_cast<std::uint8_t>(-sum & 0xFF)});
  } else {
    Bytes covered = packet;
    covered.push_back(ETX);
    const std::uint16_t crc = Arc(covered);
    EXPECT_EQ(check,
              (Bytes{static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)}));
  }
  return packet;
}

struct Df1 {
  explicit Df1(int station = 1) : relay(RelayConfig{}), slave(relay, station) {}
  SimulatedRelay relay;
  Df1Slave slave;
};

TEST(SimDf1, ReadAcknowledgedThenAnsweredOnThePoll) {
  Df1 d;
  // read 3 words at word 390 from unit 1, source 0, TNS 5
  const Bytes packet{0x01, 0x00, 0x01, 0x00, 0x05, 0x00, 0x0C, 0x03, 0x06, 0x00};
  EXPECT_EQ(d.slave.Feed(Message(1, packet)), (Bytes{DLE, ACK}));
  const Bytes frame = d.slave.Feed(Poll(1));
  EXPECT_EQ(ReplyPacket(frame), (Bytes{0x00, 0x01, 0x41, 0x00, 0x05, 0x00, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(d.slave.Feed(Poll(1)), frame) << "not acknowledged: the same reply again";
  EXPECT_TRUE(d.slave.Feed(Bytes{DLE, ACK}).empty());
  EXPECT_EQ(d.slave.Feed(Poll(1)), (Bytes{DLE, EOT})) << "nothing left to send";
}

TEST(SimDf1, BccWritesAndCommandsReachTheRelay) {
  Df1 d;
  // "AB" into the password register 590 (byte address 1180), BCC check
  EXPECT_EQ(
      d.slave.Feed(Message(1, {0x01, 0x00, 0x08, 0x00, 0x07, 0x00, 0x9C, 0x04, 0x42, 0x41}, true)),
      (Bytes{DLE, ACK}));
  EXPECT_EQ(ReplyPacket(d.slave.Feed(Poll(1)), true), (Bytes{0x00, 0x01, 0x48, 0x00, 0x07, 0x00}));
  EXPECT_EQ(d.relay.Password(), "AB34");
  // command 13 (network trip) as a write of word 6
  d.slave.Feed(Bytes{DLE, ACK});
  d.slave.Feed(Message(1, {0x01, 0x00, 0x08, 0x00, 0x08, 0x00, 0x0C, 0x00, 0x0D, 0x00}));
  ReplyPacket(d.slave.Feed(Poll(1)));
  std::uint16_t status = 0;
  d.relay.ReadRegisters(1096, 1, &status);
  EXPECT_EQ(status & 1, 1);
}

TEST(SimDf1, StationSixteenAndDataBytesOfSixteenAreStuffed) {
  Df1 d(16);
  // read 1 word at word 8 (byte address 0x10), TNS 0x1010
  const Bytes packet{0x10, 0x00, 0x01, 0x00, 0x10, 0x10, 0x10, 0x00, 0x02, 0x00};
  EXPECT_EQ(d.slave.Feed(Message(16, packet)), (Bytes{DLE, ACK}));
  const Bytes poll = Poll(16);
  EXPECT_EQ(poll, (Bytes{DLE, ENQ, 0x10, 0x10, 0xF0, 0x00}));
  EXPECT_EQ(ReplyPacket(d.slave.Feed(poll)), (Bytes{0x00, 0x10, 0x41, 0x00, 0x10, 0x10, 0, 0}));
}

TEST(SimDf1, RefusalsAndNoise) {
  struct Case {
    const char* what;
    Bytes in;
    Bytes out;         // what the slave answers at once
    std::uint8_t sts;  // STS of the reply on the poll; 0xFF: no reply
  } cases[] = {
      {"another station", Message(2, {0x02, 0, 0x01, 0, 1, 0, 0, 0, 2, 0}), {}, 0xFF},
      {"bad check",
       [] {
         Bytes m = Message(1, {0x01, 0, 0x01, 0, 1, 0, 0, 0, 2, 0});
         m[m.size() - 2] ^= 0x40;
         return m;
       }(),
       {DLE, NAK},
       0xFF},
      {"unknown command",
       Message(1, {0x01, 0, 0x0F, 0, 1, 0, 0, 0, 2, 0}),
       {DLE, ACK},
       Df1Slave::kStsIllegalCommand},
      {"write to nobody's register",
       Message(1, {0x01, 0, 0x08, 0, 1, 0, 0x20, 0x03, 1, 0}),
       {DLE, ACK},
       Df1Slave::kStsAddressProblem},
      {"noise ahead of a good read",
       [] {
         Bytes m{0x55, DLE, 0x33, 0xFF};
         Bytes r = Message(1, {0x01, 0, 0x01, 0, 1, 0, 0, 0, 2, 0});
         m.insert(m.end(), r.begin(), r.end());
         return m;
       }(),
       {DLE, ACK},
       0},
  };
  for (const Case& c : cases) {
    Df1 d;
    EXPECT_EQ(d.slave.Feed(c.in), c.out) << c.what;
    Bytes reply = d.slave.Feed(Poll(1));
    if (c.sts == 0xFF) {
      EXPECT_EQ(reply, (Bytes{DLE, EOT})) << c.what;
    } else {
      Bytes packet = ReplyPacket(reply);
      ASSERT_GE(packet.size(), 6u) << c.what;
      EXPECT_EQ(packet[3], c.sts) << c.what;
    }
  }
}

TEST(SimDf1, ABccMessageWithoutPadIsTakenAfterSilence) {
  Df1 d;
  Bytes m = Message(1, {0x01, 0, 0x01, 0, 1, 0, 0, 0, 2, 0}, true);
  m.pop_back();  // no pad
  EXPECT_TRUE(d.slave.Feed(m).empty());
  EXPECT_EQ(d.slave.Silence(), (Bytes{DLE, ACK}));
}

TEST(SimDf1, QuirksAnswerPollsWithEotAndRefuseMessages) {
  SimulatedRelay relay{RelayConfig{}};
  Df1Slave slave(relay, 1, -1, {.eotPolls = 2, .nakEvery = 3});
  const Bytes read = Message(1, {0x01, 0, 0x01, 0, 1, 0, 0, 0, 2, 0});
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(slave.Feed(read), (Bytes{DLE, ACK})) << round;
    EXPECT_EQ(slave.Feed(Poll(1)), (Bytes{DLE, EOT})) << round;
    EXPECT_EQ(slave.Feed(Poll(1)), (Bytes{DLE, EOT})) << round;
    EXPECT_EQ(ReplyPacket(slave.Feed(Poll(1))).size(), 8u) << "the third poll gets the reply";
    slave.Feed(Bytes{DLE, ACK});
  }
  EXPECT_EQ(slave.Feed(read), (Bytes{DLE, NAK})) << "every third good message";
  EXPECT_EQ(slave.Feed(Poll(1)), (Bytes{DLE, EOT}));
  EXPECT_EQ(slave.Feed(read), (Bytes{DLE, ACK}));
}

}  // namespace
}  // namespace kvx::sim
