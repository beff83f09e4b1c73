// Modbus TCP request frames byte for byte; replies are judged by length only.

#include <gtest/gtest.h>

#include <vector>

#include "comm/frame_trace.h"
#include "comm/tcp_frames.h"

namespace kvx {
namespace {

TEST(TcpFrames, ReadOfTwoRegistersAt576FromUnit254) {
  const TcpFrame frame = BuildTcpReadRequest(254, 576, 2);
  EXPECT_EQ(FormatFrameHex(frame.View()), "00 00 00 00 00 06 FE 03 02 40 00 02");
  EXPECT_EQ(TcpReadReplyLength(2), 13u);
}

TEST(TcpFrames, CommandThreeForUnitOneWritesRegisterSix) {
  EXPECT_EQ(FormatFrameHex(BuildTcpCommandRequest(1, 3).View()),
            "00 00 00 00 00 09 01 10 00 06 00 01 02 00 03");
}

TEST(TcpFrames, WriteOfNRegistersIs13Plus2NBytes) {
  const std::vector<std::uint16_t> values{0x0102, 0xFFFE};
  const TcpFrame frame = BuildTcpWriteRequest(7, 9999, values);
  EXPECT_EQ(FormatFrameHex(frame.View()), "00 00 00 00 00 0B 07 10 27 0F 00 02 04 01 02 FF FE");
  const std::vector<std::uint16_t> hundred(100, 0);
  const TcpFrame big = BuildTcpWriteRequest(7, 0, hundred);
  EXPECT_EQ(big.size, 213u);
  EXPECT_EQ(big.bytes[5], 207);  // 2n + 7
  EXPECT_EQ(big.bytes[12], 200);
}

TEST(TcpReplies, OnlyTheLengthDecides) {
  // Content is never compared with the request: a reply with another
  // transaction id, unit and function still passes at the right length.
  std::vector<std::uint8_t> reply{0x12, 0x34, 0, 0, 0, 7, 0x01, 0x04, 4, 0xAB, 0xCD, 0x00, 0x05};
  std::uint16_t words[2] = {};
  ASSERT_EQ(DecodeTcpReadReply(reply, 2, words), CommError::None);
  EXPECT_EQ(words[0], 0xABCD);
  EXPECT_EQ(words[1], 0x0005);
  reply.pop_back();
  EXPECT_EQ(DecodeTcpReadReply(reply, 2, words), CommError::WrongLength);
  reply.resize(14, 0);
  EXPECT_EQ(DecodeTcpReadReply(reply, 2, words), CommError::WrongLength);
  EXPECT_EQ(CheckTcpReplyLength(std::vector<std::uint8_t>(12), kTcpWriteReplyLength),
            CommError::None);
  EXPECT_EQ(CheckTcpReplyLength(std::vector<std::uint8_t>(9), kTcpWriteReplyLength),
            CommError::WrongLength);
}

}  // namespace
}  // namespace kvx
