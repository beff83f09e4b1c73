// Modbus RTU frames byte for byte, and the checks of a reply against its
// request in their fixed order: each field that does not fit gives its reason.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "comm/crc16_modbus.h"
#include "comm/frame_trace.h"
#include "comm/rtu_frames.h"

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const RtuFrame& frame) {
  return Bytes(frame.View().begin(), frame.View().end());
}

Bytes WithCrc(Bytes frame) {
  const std::uint16_t crc = Crc16Modbus(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
  return frame;
}

TEST(Crc16Modbus, MatchesTheStandardCheckValueAndLeavesZeroOverAnIntactFrame) {
  const Bytes check{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc16Modbus(check), 0x4B37);
  EXPECT_EQ(Crc16Modbus(WithCrc({0x11, 0x03, 0x00, 0x6B, 0x00, 0x03})), 0);
}

TEST(RtuFrames, ReadOfRegister390FromUnit254) {
  EXPECT_EQ(FormatFrameHex(BuildRtuReadRequest(254, 390, 1).View()), "FE 03 01 86 00 01 70 10");
}

TEST(RtuFrames, OnlyTheLow16BitsOfARegisterGoOnTheWire) {
  // 99999 = 0x1869F
  EXPECT_EQ(Of(BuildRtuReadRequest(1, 99999, 2)), WithCrc({0x01, 0x03, 0x86, 0x9F, 0x00, 0x02}));
}

TEST(RtuFrames, WriteOfNRegistersIs9Plus2NBytes) {
  const std::vector<std::uint16_t> values{0x1234, 0xABCD, 0x0001};
  const Bytes frame = Of(BuildRtuWriteRequest(254, 576, values));
  EXPECT_EQ(frame, WithCrc({0xFE, 0x10, 0x02, 0x40, 0x00, 0x03, 0x06, 0x12, 0x34, 0xAB, 0xCD, 0x00,
                            0x01}));
  EXPECT_EQ(frame.size(), 9u + 2 * values.size());
  const std::vector<std::uint16_t> hundred(100, 0xFFFF);
  EXPECT_EQ(BuildRtuWriteRequest(1, 0, hundred).size, 209u);
}

TEST(RtuFrames, CoilIsForcedOnWithTheLow16BitsOfTheCode) {
  EXPECT_EQ(Of(BuildRtuCoilRequest(254, 3)), WithCrc({0xFE, 0x05, 0x00, 0x03, 0xFF, 0x00}));
  EXPECT_EQ(Of(BuildRtuCoilRequest(7, 0x12345)), WithCrc({0x07, 0x05, 0x23, 0x45, 0xFF, 0x00}));
}

struct ReplyCase {
  const char* name;
  Bytes reply;
  CommError expected;
};

// A read of two registers from unit 254.
std::vector<ReplyCase> ReadReplyCases() {
  const Bytes good = WithCrc({0xFE, 0x03, 0x04, 0x12, 0x34, 0xAB, 0xCD});
  Bytes badCrc(good.begin(), good.end() - 1);
  badCrc.push_back(static_cast<std::uint8_t>(good[good.size() - 1] ^ 0x01));
  Bytes flipped = good;
  flipped.at(4) ^= 0x40;
  return {
      {"intact", good, CommError::None},
      {"empty", {}, CommError::ReplyTooShort},
      {"stops early", Bytes(good.begin(), good.end() - 1), CommError::ReplyTooShort},
      {"header only", Bytes(good.begin(), good.begin() + 3), CommError::ReplyTooShort},
      {"other unit", WithCrc({0x01, 0x03, 0x04, 0x12, 0x34, 0xAB, 0xCD}), CommError::WrongUnit},
      {"exception 0x83 code 2", WithCrc({0xFE, 0x83, 0x02}), CommError::ExceptionIllegalAddress},
      {"exception 0x83 code 0x0B", WithCrc({0xFE, 0x83, 0x0B}), CommError::ExceptionReply},
      {"exception with a bad crc", Bytes{0xFE, 0x83, 0x02, 0x00, 0x00}, CommError::BadCrc},
      {"exception cut short", Bytes{0xFE, 0x83, 0x02}, CommError::ReplyTooShort},
      {"exception of another function", WithCrc({0xFE, 0x90, 0x02}), CommError::WrongFunction},
      {"exception from other unit", WithCrc({0x01, 0x83, 0x02}), CommError::WrongUnit},
      {"other function", WithCrc({0xFE, 0x04, 0x04, 0x12, 0x34, 0xAB, 0xCD}),
       CommError::WrongFunction},
      {"byte count too small", WithCrc({0xFE, 0x03, 0x02, 0x12, 0x34}), CommError::WrongByteCount},
      {"byte count too large", WithCrc({0xFE, 0x03, 0x06, 0x12, 0x34, 0xAB, 0xCD, 0, 0}),
       CommError::WrongByteCount},
      {"bad crc", badCrc, CommError::BadCrc},
      {"flipped data bit", flipped, CommError::BadCrc},
      {"garbage before",
       [&] {
         Bytes g{0x00, 0x3C};
         g.insert(g.end(), good.begin(), good.end());
         return g;
       }(),
       CommError::WrongUnit},
  };
}

TEST(RtuReplyChecks, ReadReplyIsTestedInFixedOrder) {
  for (const ReplyCase& c : ReadReplyCases()) {
    std::uint16_t words[2] = {0, 0};
    EXPECT_EQ(CheckRtuReadReply(c.reply, 0xFE, 2, words), c.expected) << c.name;
    if (c.expected == CommError::None) {
      EXPECT_EQ(words[0], 0x1234);
      EXPECT_EQ(words[1], 0xABCD);
    }
  }
}

TEST(RtuReplyChecks, WriteAndCoilRepliesAreCheckedForTheirCrcAndTheirEcho) {
  // A write of 3 registers at 576 and the command forcing coil 3.
  const Bytes writeOk = WithCrc({0xFE, 0x10, 0x02, 0x40, 0x00, 0x03});
  Bytes writeBad = writeOk;
  writeBad[6] ^= 0xFF;
  const Bytes coilOk = WithCrc({0xFE, 0x05, 0x00, 0x03, 0xFF, 0x00});
  Bytes coilBad = coilOk;
  coilBad[3] = 0x04;
  auto write = [](std::span<const std::uint8_t> reply) {
    return CheckRtuWriteReply(reply, 0xFE, 576, 3);
  };
  auto coil = [](std::span<const std::uint8_t> reply) { return CheckRtuCoilReply(reply, 0xFE, 3); };
  struct Case {
    const char* name;
    std::function<CommError(std::span<const std::uint8_t>)> check;
    Bytes reply;
    CommError expected;
  } cases[] = {
      {"write ok", write, writeOk, CommError::None},
      {"write bad crc", write, writeBad, CommError::BadCrc},
      {"write exception 0x90 code 3", write, WithCrc({0xFE, 0x90, 0x03}),
       CommError::ExceptionIllegalValue},
      {"write other unit", write, WithCrc({0xFD, 0x10, 0x02, 0x40, 0x00, 0x03}),
       CommError::WrongUnit},
      {"write short", write, Bytes(writeOk.begin(), writeOk.begin() + 7), CommError::ReplyTooShort},
      {"write echo of register 577", write, WithCrc({0xFE, 0x10, 0x02, 0x41, 0x00, 0x03}),
       CommError::WrongEchoAddress},
      {"write echo of 2 registers", write, WithCrc({0xFE, 0x10, 0x02, 0x40, 0x00, 0x02}),
       CommError::WrongEchoCount},
      {"write answered as a read", write, WithCrc({0xFE, 0x03, 0x02, 0x40, 0x00, 0x03}),
       CommError::WrongFunction},
      {"coil ok", coil, coilOk, CommError::None},
      {"coil bad crc", coil, coilBad, CommError::BadCrc},
      {"coil exception 0x85 code 1", coil, WithCrc({0xFE, 0x85, 0x01}),
       CommError::ExceptionIllegalFunction},
      {"coil wrong function", coil, WithCrc({0xFE, 0x06, 0x00, 0x03, 0xFF, 0x00}),
       CommError::WrongFunction},
      {"coil short", coil, Bytes(coilOk.begin(), coilOk.begin() + 5), CommError::ReplyTooShort},
      {"coil echo of coil 4", coil, WithCrc({0xFE, 0x05, 0x00, 0x04, 0xFF, 0x00}),
       CommError::WrongEchoAddress},
      {"coil echo of off", coil, WithCrc({0xFE, 0x05, 0x00, 0x03, 0x00, 0x00}),
       CommError::WrongEchoValue},
  };
  for (const Case& c : cases) EXPECT_EQ(c.check(c.reply), c.expected) << c.name;
}

TEST(RtuReplyChecks, AnExceptionHeaderAnnouncesTheShortReply) {
  EXPECT_EQ(RtuReplyLengthFor(Bytes{0xFE, 0x83}, 205), kRtuExceptionReplyLength);
  EXPECT_EQ(RtuReplyLengthFor(Bytes{0xFE, 0x03, 0xC8}, 205), 205u);
  EXPECT_EQ(RtuReplyLengthFor(Bytes{0xFE}, 205), 205u);
}

TEST(FrameTrace, FormatsUpperCaseHexOneLinePerFrame) {
  const Bytes bytes{0x00, 0x0a, 0xff};
  EXPECT_EQ(FormatTraceLine(FrameDirection::Tx, bytes), "TX: 00 0A FF");
  EXPECT_EQ(FormatTraceLine(FrameDirection::Rx, {}), "RX: (nothing)");
}

}  // namespace
}  // namespace kvx
