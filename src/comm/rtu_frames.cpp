#include "comm/rtu_frames.h"

#include "comm/crc16_modbus.h"
#include "comm/modbus_pdu.h"

namespace kvx {
namespace {

class FrameWriter {
 public:
  explicit FrameWriter(RtuFrame& frame) : frame_(frame) { frame_.size = 0; }
  void Byte(std::uint8_t b) {
    if (frame_.size < frame_.bytes.size()) frame_.bytes[frame_.size++] = b;
  }
  void Crc() {
    std::uint16_t crc = Crc16Modbus(frame_.View());
    Byte(static_cast<std::uint8_t>(crc & 0xFF));
    Byte(static_cast<std::uint8_t>(crc >> 8));
  }

 private:
  RtuFrame& frame_;
};

// The unit, the request body, the CRC.
RtuFrame Frame(std::uint8_t unit, const ModbusPdu& pdu) {
  RtuFrame frame;
  FrameWriter w(frame);
  w.Byte(unit);
  for (std::uint8_t b : pdu.View()) w.Byte(b);
  w.Crc();
  return frame;
}

}  // namespace

RtuFrame BuildRtuReadRequest(std::uint8_t unit, int first, int count) {
  return Frame(unit, ReadHoldingPdu(first, count));
}

RtuFrame BuildRtuWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words) {
  return Frame(unit, WriteMultiplePdu(first, words));
}

RtuFrame BuildRtuCoilRequest(std::uint8_t unit, int coil) {
  return Frame(unit, WriteCoilPdu(coil));
}

namespace {

// Unit, then the exception path, then the function. None when the reply may
// go on to the checks of its own function.
CommError CheckRtuHead(std::span<const std::uint8_t> reply, std::uint8_t unit,
                       std::uint8_t function) {
  if (reply.size() < 1) return CommError::ReplyTooShort;
  if (reply[0] != unit) return CommError::WrongUnit;
  if (reply.size() < 2) return CommError::ReplyTooShort;
  if (reply[1] == (function | 0x80)) {
    if (reply.size() < kRtuExceptionReplyLength) return CommError::ReplyTooShort;
    if (Crc16Modbus(reply.first(kRtuExceptionReplyLength)) != 0) return CommError::BadCrc;
    return ExceptionError(reply[2]);
  }
  if (reply[1] != function) return CommError::WrongFunction;
  return CommError::None;
}

unsigned WordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<unsigned>((bytes[at] << 8) | bytes[at + 1]);
}

// The fixed 8-byte replies of functions 5 and 16: length, CRC, then the two
// echoed words.
CommError CheckRtuEcho(std::span<const std::uint8_t> reply, unsigned address, unsigned second,
                       CommError wrongSecond) {
  if (reply.size() < kRtuWriteReplyLength) return CommError::ReplyTooShort;
  if (Crc16Modbus(reply.first(kRtuWriteReplyLength)) != 0) return CommError::BadCrc;
  if (WordAt(reply, 2) != address) return CommError::WrongEchoAddress;
  if (WordAt(reply, 4) != second) return wrongSecond;
  return CommError::None;
}

}  // namespace

CommError CheckRtuReadReply(std::span<const std::uint8_t> reply, std::uint8_t unit, int count,
                            std::span<std::uint16_t> words) {
  if (CommError e = CheckRtuHead(reply, unit, kModbusReadHolding); e != CommError::None) return e;
  if (reply.size() < 3) return CommError::ReplyTooShort;
  if (count < 0 || reply[2] != 2 * count) return CommError::WrongByteCount;
  const std::size_t length = RtuReadReplyLength(count);
  if (reply.size() < length) return CommError::ReplyTooShort;
  if (Crc16Modbus(reply.first(length)) != 0) return CommError::BadCrc;
  if (words.size() < static_cast<std::size_t>(count)) return CommError::InvalidArgument;
  for (int i = 0; i < count; ++i) {
    words[i] = static_cast<std::uint16_t>(WordAt(reply, 3 + 2 * static_cast<std::size_t>(i)));
  }
  return CommError::None;
}

CommError CheckRtuWriteReply(std::span<const std::uint8_t> reply, std::uint8_t unit, int first,
                             int count) {
  if (CommError e = CheckRtuHead(reply, unit, kModbusWriteMultiple); e != CommError::None) return e;
  return CheckRtuEcho(reply, static_cast<unsigned>(first) & 0xFFFF,
                      static_cast<unsigned>(count) & 0xFFFF, CommError::WrongEchoCount);
}

CommError CheckRtuCoilReply(std::span<const std::uint8_t> reply, std::uint8_t unit, int coil) {
  if (CommError e = CheckRtuHead(reply, unit, kModbusWriteSingleCoil); e != CommError::None) {
    return e;
  }
  return CheckRtuEcho(reply, static_cast<unsigned>(coil) & 0xFFFF, 0xFF00,
                      CommError::WrongEchoValue);
}

std::size_t RtuReplyLengthFor(std::span<const std::uint8_t> header, std::size_t expected) {
  return header.size() >= 2 && (header[1] & 0x80) ? kRtuExceptionReplyLength : expected;
}

}  // namespace kvx
