#include "comm/rtu_frames.h"

#include "comm/crc16_modbus.h"

namespace kvx {
namespace {

class FrameWriter {
 public:
  explicit FrameWriter(RtuFrame& frame) : frame_(frame) { frame_.size = 0; }
  void Byte(std::uint8_t b) {
    if (frame_.size < frame_.bytes.size()) frame_.bytes[frame_.size++] = b;
  }
  void Word(unsigned value) {
    Byte(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    Byte(static_cast<std::uint8_t>(value & 0xFF));
  }
  void Crc() {
    std::uint16_t crc = Crc16Modbus(frame_.View());
    Byte(static_cast<std::uint8_t>(crc & 0xFF));
    Byte(static_cast<std::uint8_t>(crc >> 8));
  }

 private:
  RtuFrame& frame_;
};

}  // namespace

RtuFrame BuildRtuReadRequest(std::uint8_t unit, int first, int count) {
  RtuFrame frame;
  FrameWriter w(frame);
  w.Byte(unit);
  w.Byte(kRtuReadHolding);
  w.Word(static_cast<unsigned>(first) & 0xFFFF);
  w.Word(static_cast<unsigned>(count) & 0xFFFF);
  w.Crc();
  return frame;
}

RtuFrame BuildRtuWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words) {
  RtuFrame frame;
  FrameWriter w(frame);
  w.Byte(unit);
  w.Byte(kRtuWriteMultiple);
  w.Word(static_cast<unsigned>(first) & 0xFFFF);
  w.Word(static_cast<unsigned>(words.size()) & 0xFFFF);
  w.Byte(static_cast<std::uint8_t>((2 * words.size()) & 0xFF));
  for (std::uint16_t value : words) w.Word(value);
  w.Crc();
  return frame;
}

RtuFrame BuildRtuCoilRequest(std::uint8_t unit, int coil) {
  RtuFrame frame;
  FrameWriter w(frame);
  w.Byte(unit);
  w.Byte(kRtuWriteSingleCoil);
  w.Word(static_cast<unsigned>(coil) & 0xFFFF);
  w.Byte(0xFF);
  w.Byte(0x00);
  w.Crc();
  return frame;
}

CommError CheckRtuReadReply(std::span<const std::uint8_t> reply, std::uint8_t unit, int count,
                            std::span<std::uint16_t> words) {
  if (reply.size() < 1) return CommError::ReplyTooShort;
  if (reply[0] != unit) return CommError::WrongUnit;
  if (reply.size() < 2) return CommError::ReplyTooShort;
  if (reply[1] & 0x80) return CommError::ExceptionReply;
  if (reply[1] != kRtuReadHolding) return CommError::WrongFunction;
  if (reply.size() < 3) return CommError::ReplyTooShort;
  if (count < 0 || reply[2] != 2 * count) return CommError::WrongByteCount;
  const std::size_t length = RtuReadReplyLength(count);
  if (reply.size() < length) return CommError::ReplyTooShort;
  if (Crc16Modbus(reply.first(length)) != 0) return CommError::BadCrc;
  if (words.size() < static_cast<std::size_t>(count)) return CommError::InvalidArgument;
  for (int i = 0; i < count; ++i) {
    words[i] = static_cast<std::uint16_t>((reply[3 + 2 * i] << 8) | reply[4 + 2 * i]);
  }
  return CommError::None;
}

CommError CheckRtuWriteReply(std::span<const std::uint8_t> reply, std::uint8_t unit) {
  if (reply.size() < 1) return CommError::ReplyTooShort;
  if (reply[0] != unit) return CommError::WrongUnit;
  if (reply.size() < 2) return CommError::ReplyTooShort;
  if (reply[1] & 0x80) return CommError::ExceptionReply;
  if (reply[1] != kRtuWriteMultiple) return CommError::WrongFunction;
  if (reply.size() < kRtuWriteReplyLength) return CommError::ReplyTooShort;
  if (Crc16Modbus(reply.first(kRtuWriteReplyLength)) != 0) return CommError::BadCrc;
  return CommError::None;
}

CommError CheckRtuCoilReply(std::span<const std::uint8_t> reply, std::uint8_t unit) {
  if (reply.size() < 1) return CommError::ReplyTooShort;
  if (reply[0] != unit) return CommError::WrongUnit;
  if (reply.size() < 2) return CommError::ReplyTooShort;
  if (reply[1] != kRtuWriteSingleCoil) {
    return (reply[1] & 0x80) ? CommError::ExceptionReply : CommError::WrongFunction;
  }
  if (reply.size() < kRtuCoilReplyLength) return CommError::ReplyTooShort;
  if (Crc16Modbus(reply.first(kRtuCoilReplyLength)) != 0) return CommError::BadCrc;
  return CommError::None;
}

}  // namespace kvx
