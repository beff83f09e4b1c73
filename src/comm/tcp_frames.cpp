#include "comm/tcp_frames.h"

#include "comm/modbus_pdu.h"
#include "comm/relay_registers.h"

namespace kvx {
namespace {

// The application header (transaction identifier, protocol identifier 0, the
// length of what follows it, the unit), then the request body.
TcpFrame Frame(std::uint8_t unit, const ModbusPdu& pdu, std::uint16_t transaction) {
  TcpFrame frame;
  std::size_t at = 0;
  const auto put = [&](unsigned b) {
    if (at < frame.bytes.size()) frame.bytes[at++] = static_cast<std::uint8_t>(b & 0xFF);
  };
  const unsigned length = static_cast<unsigned>(pdu.size) + 1;
  put(transaction >> 8);
  put(transaction);
  put(0);
  put(0);
  put(length >> 8);
  put(length);
  put(unit);
  for (std::uint8_t b : pdu.View()) put(b);
  frame.size = at;
  return frame;
}

unsigned WordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<unsigned>((bytes[at] << 8) | bytes[at + 1]);
}

}  // namespace

TcpFrame BuildTcpReadRequest(std::uint8_t unit, int first, int count, std::uint16_t transaction) {
  return Frame(unit, ReadHoldingPdu(first, count), transaction);
}

TcpFrame BuildTcpWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words,
                              std::uint16_t transaction) {
  return Frame(unit, WriteMultiplePdu(first, words), transaction);
}

TcpFrame BuildTcpCommandRequest(std::uint8_t unit, int code, std::uint16_t transaction) {
  const std::uint16_t value = static_cast<std::uint16_t>(static_cast<unsigned>(code) & 0xFFFF);
  return Frame(unit, WriteMultiplePdu(relay_reg::kCommand, {&value, 1}), transaction);
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
  if (function == kModbusReadHolding) {
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
