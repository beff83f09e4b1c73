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
  // Transaction identifier, protocol identifier 0, length, unit.
  void Header(std::uint16_t transaction, unsigned lengthLow, std::uint8_t unit) {
    Word(transaction);
    Word(0);
    Byte(0);
    Byte(lengthLow);
    Byte(unit);
  }

 private:
  TcpFrame& frame_;
};

unsigned WordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<unsigned>((bytes[at] << 8) | bytes[at + 1]);
}

constexpr std::uint8_t kReadHolding = 0x03;

}  // namespace

TcpFrame BuildTcpReadRequest(std::uint8_t unit, int first, int count, std::uint16_t transaction) {
  TcpFrame frame;
  FrameWriter w(frame);
  w.Header(transaction, 6, unit);
  w.Byte(kReadHolding);
  w.Word(static_cast<unsigned>(first) & 0xFFFF);
  w.Byte(0);
  w.Byte(static_cast<unsigned>(count));
  return frame;
}

TcpFrame BuildTcpWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words,
                              std::uint16_t transaction) {
  const auto n = static_cast<unsigned>(words.size());
  TcpFrame frame;
  FrameWriter w(frame);
  w.Header(transaction, 2 * n + 7, unit);
  w.Byte(0x10);
  w.Word(static_cast<unsigned>(first) & 0xFFFF);
  w.Byte(0);
  w.Byte(n);
  w.Byte(2 * n);
  for (std::uint16_t value : words) w.Word(value);
  return frame;
}

TcpFrame BuildTcpCommandRequest(std::uint8_t unit, int code, std::uint16_t transaction) {
  TcpFrame frame;
  FrameWriter w(frame);
  w.Header(transaction, 9, unit);
  w.Byte(0x10);
  w.Word(kTcpCommandRegister);
  w.Word(1);
  w.Byte(2);
  w.Word(static_cast<unsigned>(code) & 0xFFFF);
  return frame;
}

CommError CheckTcpReplyHeader(std::span<const std::uint8_t> request,
                              std::span<const std::uint8_t> header, std::size_t& following) {
  following = 0;
  if (request.size() < 12) return CommError::InvalidArgument;
  if (header.size() < kTcpHeaderLength) return CommError::ReplyTooShort;
  if (WordAt(header, 0) != WordAt(request, 0)) return CommError::WrongTransaction;
  if (WordAt(header, 2) != 0) return CommError::WrongProtocolId;
  const std::size_t declared = WordAt(header, 4);
  if (declared < kTcpMinDeclaredLength || declared > kTcpMaxDeclaredLength) {
    return CommError::BadLength;
  }
  following = declared - 1;  // the unit is part of the header
  return CommError::None;
}

CommError CheckTcpReply(std::span<const std::uint8_t> request, std::span<const std::uint8_t> reply,
                        std::span<std::uint16_t> words) {
  std::size_t following = 0;
  if (CommError e = CheckTcpReplyHeader(request, reply, following); e != CommError::None) {
    return e;
  }
  const std::size_t total = kTcpHeaderLength + following;
  if (reply.size() < total) return CommError::ReplyTooShort;
  if (reply.size() > total) return CommError::WrongLength;
  if (reply[6] != request[6]) return CommError::WrongUnit;
  if (reply.size() < 8) return CommError::WrongLength;
  const std::uint8_t function = request[7];
  if (reply[7] == (function | 0x80)) {
    if (reply.size() != kTcpExceptionReplyLength) return CommError::WrongLength;
    return ExceptionError(reply[8]);
  }
  if (reply[7] != function) return CommError::WrongFunction;
  const unsigned first = WordAt(request, 8);
  const unsigned count = WordAt(request, 10);
  if (function == kReadHolding) {
    if (reply.size() < 9) return CommError::WrongLength;
    if (reply[8] != 2 * count) return CommError::WrongByteCount;
    if (reply.size() != TcpReadReplyLength(static_cast<int>(count))) return CommError::WrongLength;
    if (words.size() < count) return CommError::InvalidArgument;
    for (unsigned i = 0; i < count; ++i) {
      words[i] = static_cast<std::uint16_t>(WordAt(reply, 9 + 2 * static_cast<std::size_t>(i)));
    }
    return CommError::None;
  }
  if (reply.size() != kTcpWriteReplyLength) return CommError::WrongLength;
  if (WordAt(reply, 8) != first) return CommError::WrongEchoAddress;
  if (WordAt(reply, 10) != count) return CommError::WrongEchoCount;
  return CommError::None;
}

}  // namespace kvx
