#include "comm/tcp_frames.h"

namespace kvx {
namespace {

class FrameWriter {
 public:
  explicit FrameWriter(TcpFrame& frame) : frame_(frame) { frame_.size = 0; }
  void Byte(unsigned b) {
    if (frame_.size < frame_.bytes.size()) frame_.bytes[frame_.size++] = b & 0xFF;
  }
  void Word(unsigned value) {
    Byte(value >> 8);
    Byte(value);
  }
  // Transaction identifier 0, protocol identifier 0, length, unit.
  void Header(unsigned lengthLow, std::uint8_t unit) {
    Word(0);
    Word(0);
    Byte(0);
    Byte(lengthLow);
    Byte(unit);
  }

 private:
  TcpFrame& frame_;
};

}  // namespace

TcpFrame BuildTcpReadRequest(std::uint8_t unit, int first, int count) {
  TcpFrame frame;
  FrameWriter w(frame);
  w.Header(6, unit);
  w.Byte(0x03);
  w.Word(static_cast<unsigned>(first) & 0xFFFF);
  w.Byte(0);
  w.Byte(static_cast<unsigned>(count));
  return frame;
}

TcpFrame BuildTcpWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words) {
  const auto n = static_cast<unsigned>(words.size());
  TcpFrame frame;
  FrameWriter w(frame);
  w.Header(2 * n + 7, unit);
  w.Byte(0x10);
  w.Word(static_cast<unsigned>(first) & 0xFFFF);
  w.Byte(0);
  w.Byte(n);
  w.Byte(2 * n);
  for (std::uint16_t value : words) w.Word(value);
  return frame;
}

TcpFrame BuildTcpCommandRequest(std::uint8_t unit, int code) {
  TcpFrame frame;
  FrameWriter w(frame);
  w.Header(9, unit);
  w.Byte(0x10);
  w.Word(kTcpCommandRegister);
  w.Word(1);
  w.Byte(2);
  w.Word(static_cast<unsigned>(code) & 0xFFFF);
  return frame;
}

CommError CheckTcpReplyLength(std::span<const std::uint8_t> reply, std::size_t expected) {
  return reply.size() == expected ? CommError::None : CommError::WrongLength;
}

CommError DecodeTcpReadReply(std::span<const std::uint8_t> reply, int count,
                             std::span<std::uint16_t> words) {
  if (count < 0 || words.size() < static_cast<std::size_t>(count)) {
    return CommError::InvalidArgument;
  }
  if (CommError e = CheckTcpReplyLength(reply, TcpReadReplyLength(count)); e != CommError::None) {
    return e;
  }
  for (int i = 0; i < count; ++i) {
    words[i] = static_cast<std::uint16_t>((reply[9 + 2 * i] << 8) | reply[10 + 2 * i]);
  }
  return CommError::None;
}

}  // namespace kvx
