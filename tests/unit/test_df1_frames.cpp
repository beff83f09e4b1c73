// DF1 frames against independent data: the master message and poll bytes
// worked out by hand, the CRC-16/ARC check value, and a published reply
// packet with its CRC; then reading, parsing and judging replies as tables.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comm/df1_frames.h"

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::span<const std::uint8_t> s) {
  return Bytes(s.begin(), s.end());
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Df1Frames, MasterMessagesAndPollsMatchHandWorkedBytes) {
  const Df1Packet read390 = BuildDf1ReadPacket(1, 0, 5, 390, 3);
  EXPECT_EQ(Of(read390.View()),
            (Bytes{0x01, 0x00, 0x01, 0x00, 0x05, 0x00, 0x0C, 0x03, 0x06, 0x00}));

  struct Case {
    const char* name;
    Bytes wire;
    Bytes expected;
  } cases[] = {
      {"read 3 at 390, unit 1, CRC",
       Of(BuildDf1Message(read390.View(), Df1Check::Crc).View()),
       {0x10, 0x01, 0x01, 0x10, 0x02, 0x01, 0x00, 0x01, 0x00, 0x05,
        0x00, 0x0C, 0x03, 0x06, 0x00, 0x10, 0x03, 0x17, 0x6F, kDf1Pad}},
      {"same in BCC mode",
       Of(BuildDf1Message(read390.View(), Df1Check::Bcc).View()),
       {0x10, 0x01, 0x01, 0x10, 0x02, 0x01, 0x00, 0x01, 0x00, 0x05, 0x00, 0x0C, 0x03, 0x06, 0x00,
        0x10, 0x03, 0xE3, kDf1Pad}},
      {"unit 16 doubled in the header and the packet, BCC",
       Of(BuildDf1Message(BuildDf1ReadPacket(16, 0, 5, 390, 3).View(), Df1Check::Bcc).View()),
       {0x10, 0x01, 0x10, 0x10, 0x10, 0x02, 0x10, 0x10, 0x00, 0x01,   0x00,
        0x05, 0x00, 0x0C, 0x03, 0x06, 0x00, 0x10, 0x03, 0xC5, kDf1Pad}},
      {"write of 0x1010 at word 8 (byte address 0x10), TNS 0x1010: every DLE doubled",
       Of(BuildDf1Message(
              BuildDf1WritePacket(2, 3, 0x1010, 8, std::vector<std::uint16_t>{0x1010}).View(),
              Df1Check::Bcc)
              .View()),
       {0x10, 0x01, 0x02, 0x10, 0x02, 0x02, 0x03, 0x08, 0x00, 0x10, 0x10, 0x10,
        0x10, 0x10, 0x10, 0x00, 0x10, 0x10, 0x10, 0x10, 0x10, 0x03, 0xA1, kDf1Pad}},
      {"poll unit 1", Of(BuildDf1Poll(1).View()), {0x10, 0x05, 0x01, 0xFF, kDf1Pad}},
      {"poll unit 16", Of(BuildDf1Poll(16).View()), {0x10, 0x05, 0x10, 0x10, 0xF0, kDf1Pad}},
      {"poll unit 254", Of(BuildDf1Poll(254).View()), {0x10, 0x05, 0xFE, 0x02, kDf1Pad}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.wire, c.expected) << c.name;
}

TEST(Df1Frames, CrcIsArcAndMatchesAPublishedReply) {
  const std::string check = "123456789";
  EXPECT_EQ(Df1Crc({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xBB3D);

  // A reply packet and its CRC (low byte first) published with an open DF1
  // implementation: 07 11 41 00 53 B9 and twelve zero bytes, CRC 6B 4C.
  Bytes packet{0x07, 0x11, 0x41, 0x00, 0x53, 0xB9};
  packet.resize(18, 0x00);
  Bytes covered = Cat(packet, {kDf1Etx});
  EXPECT_EQ(Df1Crc(covered), 0x4C6B);
  const Bytes frame = Cat(Cat({0x10, 0x02}, packet), {0x10, 0x03, 0x6B, 0x4C});
  Df1Packet parsed;
  ASSERT_EQ(ParseDf1Reply(frame, Df1Check::Crc, parsed), CommError::None);
  EXPECT_EQ(Of(parsed.View()), packet);
  // Every single-bit flip in the packet or the CRC is caught.
  for (std::size_t i = 2; i < frame.size(); ++i) {
    if (i == frame.size() - 4 || i == frame.size() - 3) continue;  // DLE ETX: shape, not check
    for (int bit = 0; bit < 8; ++bit) {
      Bytes bad = frame;
      bad[i] ^= static_cast<std::uint8_t>(1u << bit);
      EXPECT_NE(ParseDf1Reply(bad, Df1Check::Crc, parsed), CommError::None) << i << " " << bit;
    }
  }
  // The published example is a reply of source 0x11 to node 7 for TNS 0xB953.
  std::vector<std::uint16_t> words(6);
  EXPECT_EQ(JudgeDf1Reply(packet, 0x01, 0xB953, 6, words), CommError::None);
  EXPECT_EQ(words, std::vector<std::uint16_t>(6, 0));
}

// A reply frame built from its packet as a relay sends it.
Bytes ReplyFrame(const Bytes& packet, Df1Check check) {
  Bytes f{0x10, 0x02};
  for (std::uint8_t b : packet) {
    f.push_back(b);
    if (b == 0x10) f.push_back(0x10);
  }
  f.insert(f.end(), {0x10, 0x03});
  if (check == Df1Check::Crc) {
    const std::uint16_t crc = Df1Crc(Cat(packet, {0x03}));
    f.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    f.push_back(static_cast<std::uint8_t>(crc >> 8));
  } else {
    f.push_back(Df1Bcc(packet));
  }
  return f;
}

TEST(Df1Frames, ParsingTable) {
  const Bytes packet{0x00, 0x01, 0x41, 0x00, 0x10, 0x00, 0x10, 0x10, 0x34, 0x12};
  struct Case {
    const char* name;
    Bytes frame;
    Df1Check check;
    CommError expected;
  } cases[] = {
      {"CRC, DLEs doubled in TNS and data", ReplyFrame(packet, Df1Check::Crc), Df1Check::Crc,
       CommError::None},
      {"BCC", ReplyFrame(packet, Df1Check::Bcc), Df1Check::Bcc, CommError::None},
      {"EOT", {0x10, 0x04}, Df1Check::Crc, CommError::Df1NoData},
      {"not DLE STX", Cat({0x00}, ReplyFrame(packet, Df1Check::Crc)), Df1Check::Crc,
       CommError::Df1BadFrame},
      {"CRC frame taken as BCC", ReplyFrame(packet, Df1Check::Crc), Df1Check::Bcc,
       CommError::Df1BadFrame},
      {"lone DLE inside the packet",
       {0x10, 0x02, 0x00, 0x10, 0x05, 0x10, 0x03, 0x00, 0x00},
       Df1Check::Crc,
       CommError::Df1BadFrame},
      {"only DLE STX DLE ETX", {0x10, 0x02, 0x10, 0x03}, Df1Check::Crc, CommError::Df1BadFrame},
      {"empty", {}, Df1Check::Crc, CommError::Df1BadFrame},
  };
  for (const Case& c : cases) {
    Df1Packet parsed;
    EXPECT_EQ(ParseDf1Reply(c.frame, c.check, parsed), c.expected) << c.name;
    if (c.expected == CommError::None) {
      EXPECT_EQ(Of(parsed.View()), packet) << c.name;
    }
  }
  // An empty packet with a valid CRC parses; judging rejects it.
  Df1Packet parsed;
  EXPECT_EQ(ParseDf1Reply(ReplyFrame({}, Df1Check::Crc), Df1Check::Crc, parsed), CommError::None);
  EXPECT_EQ(JudgeDf1Reply(parsed.View(), 0x01, 0, 0, {}), CommError::Df1PacketTooShort);
}

TEST(Df1Frames, JudgingTable) {
  // A reply to a read of 2 words with TNS 0x0205.
  const Bytes good{0x00, 0x01, 0x41, 0x00, 0x05, 0x02, 0x34, 0x12, 0xCD, 0xAB};
  auto with = [&](std::size_t at, std::uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return b;
  };
  struct Case {
    const char* name;
    Bytes packet;
    std::uint8_t cmd;
    int count;
    CommError expected;
  } cases[] = {
      {"good read", good, 0x01, 2, CommError::None},
      {"five bytes", Bytes(good.begin(), good.begin() + 5), 0x01, 2, CommError::Df1PacketTooShort},
      {"another command's reply", with(2, 0x48), 0x01, 2, CommError::WrongFunction},
      {"error status", with(3, 0x10), 0x01, 2, CommError::Df1ErrorStatus},
      {"TNS low differs", with(4, 0x06), 0x01, 2, CommError::WrongTransaction},
      {"TNS high differs", with(5, 0x03), 0x01, 2, CommError::WrongTransaction},
      {"one word missing", Bytes(good.begin(), good.end() - 2), 0x01, 2, CommError::WrongByteCount},
      {"a word too many", Cat(good, {0, 0}), 0x01, 2, CommError::WrongByteCount},
      {"odd byte short", Bytes(good.begin(), good.end() - 1), 0x01, 2, CommError::WrongByteCount},
      {"write reply: header only", {0x00, 0x01, 0x48, 0x00, 0x05, 0x02}, 0x08, 0, CommError::None},
      {"write reply with error status",
       {0x00, 0x01, 0x48, 0x50, 0x05, 0x02},
       0x08,
       0,
       CommError::Df1ErrorStatus},
  };
  for (const Case& c : cases) {
    std::vector<std::uint16_t> words{0xEEEE, 0xEEEE};
    EXPECT_EQ(JudgeDf1Reply(c.packet, c.cmd, 0x0205, c.count, words), c.expected) << c.name;
    if (c.expected == CommError::None && c.count == 2) {
      EXPECT_EQ(words, (std::vector<std::uint16_t>{0x1234, 0xABCD})) << c.name;
    } else {
      EXPECT_EQ(words, (std::vector<std::uint16_t>{0xEEEE, 0xEEEE})) << c.name;
    }
  }
}

// Feeds `bytes` until the reader is done; how many it took and how it ended.
std::pair<std::size_t, Df1ReplyReader::Step> Read(Df1ReplyReader& reader, const Bytes& bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto step = reader.Feed(bytes[i]);
    if (step != Df1ReplyReader::Step::More) return {i + 1, step};
  }
  return {bytes.size(), Df1ReplyReader::Step::More};
}

TEST(Df1Frames, ReaderStopsAtTheEndOfEachKindOfFrame) {
  using Step = Df1ReplyReader::Step;
  const Bytes packet{0x00, 0x01, 0x41, 0x00, 0x10, 0x03, 0x03, 0x10};  // DLE ETX in the data
  const Bytes crcFrame = ReplyFrame(packet, Df1Check::Crc);
  const Bytes bccFrame = ReplyFrame(packet, Df1Check::Bcc);
  const Bytes trailing{0xAA, 0xBB, 0xCC};
  struct Case {
    const char* name;
    Df1Check check;
    Bytes bytes;
    std::size_t taken;
    Step step;
  } cases[] = {
      {"CRC frame, bytes after it untouched", Df1Check::Crc, Cat(crcFrame, trailing),
       crcFrame.size(), Step::Complete},
      {"BCC frame", Df1Check::Bcc, Cat(bccFrame, trailing), bccFrame.size(), Step::Complete},
      {"EOT", Df1Check::Crc, {0x10, 0x04, 0x10, 0x02}, 2, Step::Complete},
      {"CRC frame cut before its last byte", Df1Check::Crc,
       Bytes(crcFrame.begin(), crcFrame.end() - 1), crcFrame.size() - 1, Step::More},
  };
  for (const Case& c : cases) {
    Df1ReplyReader reader(c.check, kDf1ReplyBuffer);
    auto [taken, step] = Read(reader, c.bytes);
    EXPECT_EQ(taken, c.taken) << c.name;
    EXPECT_EQ(step, c.step) << c.name;
    EXPECT_EQ(reader.Frame().size(), c.taken) << c.name;
  }
}

TEST(Df1Frames, ReaderRefusesAFrameGrowingPastItsLimit) {
  using Step = Df1ReplyReader::Step;
  Bytes endless{0x10, 0x02};
  endless.resize(1000, 0x55);
  Df1ReplyReader reader(Df1Check::Crc, kDf1ReplyBuffer);
  auto [taken, step] = Read(reader, endless);
  EXPECT_EQ(step, Step::TooLong);
  EXPECT_EQ(taken, kDf1ReplyBuffer + 1);
  EXPECT_EQ(reader.Frame().size(), kDf1ReplyBuffer) << "the byte past the limit is not kept";

  // At the largest limit the buffer's own end refuses the same way.
  Df1ReplyReader widest(Df1Check::Crc, kDf1ReplyCapacity);
  EXPECT_EQ(Read(widest, endless), std::make_pair(kDf1ReplyCapacity + 1, Step::TooLong));
  EXPECT_EQ(widest.Frame().size(), kDf1ReplyCapacity);

  // A 100-word read whose data are all DLEs is longer than 300 bytes and
  // still legitimate; its limit covers it, and no limit passes the capacity.
  Bytes packet{0x00, 0x01, 0x41, 0x00, 0x05, 0x00};
  packet.resize(6 + 200, 0x10);
  const Bytes frame = ReplyFrame(packet, Df1Check::Crc);
  EXPECT_GT(frame.size(), kDf1ReplyBuffer);
  Df1ReplyReader wide(Df1Check::Crc, Df1ReplyLimit(200));
  EXPECT_EQ(Read(wide, frame), std::make_pair(frame.size(), Step::Complete));
  EXPECT_EQ(Df1ReplyLimit(6), kDf1ReplyBuffer);
  EXPECT_EQ(Df1ReplyLimit(100000), kDf1ReplyCapacity);
}

}  // namespace
}  // namespace kvx
