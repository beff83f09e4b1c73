// Modbus TCP request frames byte for byte, and the check of a reply against
// its request: each field that does not fit gives its own reason, in a fixed
// order.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "comm/frame_trace.h"
#include "comm/tcp_frames.h"

namespace kvx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const TcpFrame& frame) {
  return Bytes(frame.View().begin(), frame.View().end());
}

TEST(TcpFrames, ReadOfTwoRegistersAt576FromUnit254) {
  const TcpFrame frame = BuildTcpReadRequest(254, 576, 2);
  EXPECT_EQ(FormatFrameHex(frame.View()), "00 00 00 00 00 06 FE 03 02 40 00 02");
  EXPECT_EQ(TcpReadReplyLength(2), 13u);
  EXPECT_EQ(FormatFrameHex(BuildTcpReadRequest(254, 576, 2, 0xA1B2).View()),
            "A1 B2 00 00 00 06 FE 03 02 40 00 02");
}

TEST(TcpFrames, CommandThreeForUnitOneWritesRegisterSix) {
  EXPECT_EQ(FormatFrameHex(BuildTcpCommandRequest(1, 3).View()),
            "00 00 00 00 00 09 01 10 00 06 00 01 02 00 03");
}

TEST(TcpFrames, WriteOfNRegistersIs13Plus2NBytes) {
  const std::vector<std::uint16_t> values{0x0102, 0xFFFE};
  const TcpFrame frame = BuildTcpWriteRequest(7, 9999, values, 5);
  EXPECT_EQ(FormatFrameHex(frame.View()), "00 05 00 00 00 0B 07 10 27 0F 00 02 04 01 02 FF FE");
  const std::vector<std::uint16_t> hundred(100, 0);
  const TcpFrame big = BuildTcpWriteRequest(7, 0, hundred);
  EXPECT_EQ(big.size, 213u);
  EXPECT_EQ(big.bytes[5], 207);  // 2n + 7
  EXPECT_EQ(big.bytes[12], 200);
}

struct ReplyCase {
  const char* name;
  std::function<void(Bytes&)> spoil;
  CommError expected;
};

void SetLength(Bytes& reply, std::size_t declared) {
  reply[4] = static_cast<std::uint8_t>(declared >> 8);
  reply[5] = static_cast<std::uint8_t>(declared);
}

// Each case spoils one field of the proper reply; the field's own reason must
// come back, and no spoiled reply may ever fill the words.
void ExpectReasons(const Bytes& request, const Bytes& good, const std::vector<ReplyCase>& cases,
                   int count) {
  std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
  ASSERT_EQ(CheckTcpReply(request, good, words), CommError::None);
  for (const ReplyCase& c : cases) {
    Bytes reply = good;
    c.spoil(reply);
    std::vector<std::uint16_t> untouched(words.size(), 0x5A5A);
    EXPECT_EQ(CheckTcpReply(request, reply, untouched), c.expected) << c.name;
    if (c.expected != CommError::None) {
      EXPECT_EQ(untouched, std::vector<std::uint16_t>(words.size(), 0x5A5A)) << c.name;
    }
  }
}

TEST(TcpReplyChecks, AReadReplyIsCheckedFieldByFieldAgainstItsRequest) {
  const Bytes request = Of(BuildTcpReadRequest(254, 576, 2, 0x1234));
  const Bytes good{0x12, 0x34, 0, 0, 0, 7, 0xFE, 0x03, 4, 0xAB, 0xCD, 0x00, 0x05};
  std::uint16_t words[2] = {};
  ASSERT_EQ(CheckTcpReply(request, good, words), CommError::None);
  EXPECT_EQ(words[0], 0xABCD);
  EXPECT_EQ(words[1], 0x0005);
  ExpectReasons(
      request, good,
      {
          {"no header", [](Bytes& r) { r.resize(6); }, CommError::ReplyTooShort},
          {"another transaction", [](Bytes& r) { r[1] = 0x35; }, CommError::WrongTransaction},
          {"transaction 0 for 0x1234", [](Bytes& r) { r[0] = r[1] = 0; },
           CommError::WrongTransaction},
          {"protocol id 1", [](Bytes& r) { r[3] = 1; }, CommError::WrongProtocolId},
          {"an HTTP answer", [](Bytes& r) { r = Bytes{'H', 'T', 'T', 'P', '/', '1', '.', '1'}; },
           CommError::WrongTransaction},
          {"length 0", [](Bytes& r) { SetLength(r, 0); }, CommError::BadLength},
          {"length 1", [](Bytes& r) { SetLength(r, 1); }, CommError::BadLength},
          {"length 255", [](Bytes& r) { SetLength(r, 255); }, CommError::BadLength},
          {"length 0x0107", [](Bytes& r) { SetLength(r, 0x107); }, CommError::BadLength},
          {"fewer bytes than declared", [](Bytes& r) { r.pop_back(); }, CommError::ReplyTooShort},
          {"more bytes than declared", [](Bytes& r) { r.push_back(0); }, CommError::WrongLength},
          {"declared one less, byte gone",
           [](Bytes& r) {
             SetLength(r, 6);
             r.pop_back();
           },
           CommError::WrongLength},
          {"another unit", [](Bytes& r) { r[6] = 0xFD; }, CommError::WrongUnit},
          {"function 4", [](Bytes& r) { r[7] = 0x04; }, CommError::WrongFunction},
          {"exception 2", [](Bytes& r) { r = {0x12, 0x34, 0, 0, 0, 3, 0xFE, 0x83, 0x02}; },
           CommError::ExceptionIllegalAddress},
          {"exception 3", [](Bytes& r) { r = {0x12, 0x34, 0, 0, 0, 3, 0xFE, 0x83, 0x03}; },
           CommError::ExceptionIllegalValue},
          {"exception 0x0B", [](Bytes& r) { r = {0x12, 0x34, 0, 0, 0, 3, 0xFE, 0x83, 0x0B}; },
           CommError::ExceptionReply},
          {"exception bit on a whole read", [](Bytes& r) { r[7] = 0x83; }, CommError::WrongLength},
          {"exception of another function",
           [](Bytes& r) { r = {0x12, 0x34, 0, 0, 0, 3, 0xFE, 0x90, 0x02}; },
           CommError::WrongFunction},
          {"byte count 2", [](Bytes& r) { r[8] = 2; }, CommError::WrongByteCount},
          {"byte count 6", [](Bytes& r) { r[8] = 6; }, CommError::WrongByteCount},
          {"byte count and data of 1 register",
           [](Bytes& r) {
             SetLength(r, 5);
             r[8] = 2;
             r.resize(11);
           },
           CommError::WrongByteCount},
      },
      2);
}

TEST(TcpReplyChecks, AWriteOrCommandReplyMustEchoItsRegisterAndCount) {
  const std::vector<std::uint16_t> values{1, 2, 3};
  const Bytes request = Of(BuildTcpWriteRequest(7, 300, values, 9));
  const Bytes good{0, 9, 0, 0, 0, 6, 7, 0x10, 0x01, 0x2C, 0x00, 0x03};
  ExpectReasons(
      request, good,
      {
          {"another transaction", [](Bytes& r) { r[1] = 8; }, CommError::WrongTransaction},
          {"protocol id 0x0100", [](Bytes& r) { r[2] = 1; }, CommError::WrongProtocolId},
          {"short", [](Bytes& r) { r.pop_back(); }, CommError::ReplyTooShort},
          {"another unit", [](Bytes& r) { r[6] = 1; }, CommError::WrongUnit},
          {"function 3", [](Bytes& r) { r[7] = 3; }, CommError::WrongFunction},
          {"exception 3 (refused value)", [](Bytes& r) { r = {0, 9, 0, 0, 0, 3, 7, 0x90, 0x03}; },
           CommError::ExceptionIllegalValue},
          {"exception 4", [](Bytes& r) { r = {0, 9, 0, 0, 0, 3, 7, 0x90, 0x04}; },
           CommError::ExceptionDeviceFailure},
          {"echo of register 301", [](Bytes& r) { r[9] = 0x2D; }, CommError::WrongEchoAddress},
          {"echo of 2 registers", [](Bytes& r) { r[11] = 2; }, CommError::WrongEchoCount},
          {"a read reply's shape",
           [](Bytes& r) {
             SetLength(r, 5);
             r.pop_back();
           },
           CommError::WrongLength},
      },
      0);
  // The command is a write of one register at 6.
  const Bytes command = Of(BuildTcpCommandRequest(7, 3, 10));
  EXPECT_EQ(CheckTcpReply(command, Bytes{0, 10, 0, 0, 0, 6, 7, 0x10, 0, 6, 0, 1}, {}),
            CommError::None);
  EXPECT_EQ(CheckTcpReply(command, Bytes{0, 10, 0, 0, 0, 6, 7, 0x10, 0, 7, 0, 1}, {}),
            CommError::WrongEchoAddress);
}

TEST(TcpReplyChecks, TheHeaderAloneTellsHowManyBytesFollow) {
  const Bytes request = Of(BuildTcpReadRequest(1, 0, 100, 3));
  std::size_t following = 99;
  EXPECT_EQ(CheckTcpReplyHeader(request, Bytes{0, 3, 0, 0, 0, 203, 1}, following), CommError::None);
  EXPECT_EQ(following, 202u);  // function, byte count, 200 data bytes
  EXPECT_EQ(CheckTcpReplyHeader(request, Bytes{0, 3, 0, 0, 0x01, 0x00, 1}, following),
            CommError::BadLength);
  EXPECT_EQ(following, 0u);
  EXPECT_EQ(CheckTcpReplyHeader(request, Bytes{0, 3, 0, 0, 0}, following),
            CommError::ReplyTooShort);
  EXPECT_EQ(kTcpReplyCapacity, 260u);
}

TEST(TcpReplyChecks, EveryReasonHasItsOwnText) {
  const CommError reasons[] = {CommError::WrongTransaction, CommError::WrongProtocolId,
                               CommError::BadLength,        CommError::WrongLength,
                               CommError::WrongUnit,        CommError::WrongFunction,
                               CommError::WrongByteCount,   CommError::WrongEchoAddress,
                               CommError::WrongEchoCount,   CommError::ExceptionIllegalAddress,
                               CommError::ExceptionReply};
  for (CommError a : reasons) {
    for (CommError b : reasons) {
      if (a != b) {
        EXPECT_NE(CommErrorText(a), CommErrorText(b));
      }
    }
  }
  EXPECT_EQ(CommErrorText(CommError::ExceptionIllegalValue),
            "exception reply 3: illegal data value");
  EXPECT_TRUE(IsExceptionReply(ExceptionError(0x0B)));
  EXPECT_EQ(ExceptionCode(ExceptionError(3)), 3);
  EXPECT_FALSE(IsExceptionReply(CommError::WrongFunction));
}

}  // namespace
}  // namespace kvx
