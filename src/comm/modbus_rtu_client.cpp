#include "comm/modbus_rtu_client.h"

#include <array>

#include "comm/modbus_limits.h"

namespace kvx {
namespace {

// Replies are bounded by the longest read reply.
using ReplyBuffer = std::array<std::uint8_t, RtuReadReplyLength(kModbusMaxReadCount)>;

CommError SendRequest(RtuContext& context, bool requireAllWritten) {
  SerialPort& port = context.port;
  if (!port.IsOpen()) {
    if (CommError e = port.Open(); e != CommError::None) return e;
  }
  if (CommError e = port.ClearBuffers(); e != CommError::None) return e;
  const auto frame = context.frame.View();
  port.TraceFrame(FrameDirection::Tx, frame);
  std::size_t written = 0;
  CommError e = port.Write(frame, written);
  if (e == CommError::PortError) return e;
  if (written == 0) return e == CommError::None ? CommError::WriteIncomplete : e;
  if (requireAllWritten && written != frame.size()) return CommError::WriteIncomplete;
  return CommError::None;
}

// Reads a reply of `length` bytes within the total time-out for `length`
// bytes, looking at the first `headerLength` bytes before waiting for the
// rest: a reply that is already wrong (another unit, an exception) fails at
// once instead of after the full time-out. An exception reply is read to its
// own end so that it is seen whole.
template <typename Check>
CommError ReadReply(SerialPort& port, std::size_t length, std::size_t headerLength,
                    ReplyBuffer& reply, Check check) {
  const auto deadline = SerialPort::Clock::now() + SerialTimeoutFor(length);
  std::size_t got = 0;
  std::size_t more = 0;
  CommError io = port.ReadUntil(std::span(reply).first(headerLength), got, deadline);
  CommError verdict = check(std::span<const std::uint8_t>(reply.data(), got));
  if (io == CommError::None && verdict == CommError::ReplyTooShort) {
    io = port.ReadUntil(std::span(reply).subspan(got, length - got), more, deadline);
    got += more;
    verdict = check(std::span<const std::uint8_t>(reply.data(), got));
  } else if (io == CommError::None && verdict == CommError::ExceptionReply &&
             got < kRtuExceptionReplyLength) {
    port.ReadUntil(std::span(reply).subspan(got, kRtuExceptionReplyLength - got), more, deadline);
    got += more;
  }
  port.TraceFrame(FrameDirection::Rx, std::span<const std::uint8_t>(reply.data(), got));
  if (io == CommError::PortError) return io;
  return verdict;
}

bool RegisterValid(int first) {
  return first >= 0 && first <= kRtuMaxRegister;
}

}  // namespace

CommError ReadHoldingRegisters(RtuContext& context, int unit, int first, int count,
                               std::span<std::uint16_t> words) {
  if (!UnitAddressValid(unit) || !RegisterValid(first) || count < 1 ||
      count > kModbusMaxReadCount || words.size() < static_cast<std::size_t>(count)) {
    return CommError::InvalidArgument;
  }
  const auto address = static_cast<std::uint8_t>(unit);
  context.frame = BuildRtuReadRequest(address, first, count);
  if (CommError e = SendRequest(context, true); e != CommError::None) return e;
  ReplyBuffer reply;
  return ReadReply(context.port, RtuReadReplyLength(count), 3, reply,
                   [&](std::span<const std::uint8_t> bytes) {
                     return CheckRtuReadReply(bytes, address, count, words);
                   });
}

CommError WriteMultipleRegisters(RtuContext& context, int unit, int first, int count,
                                 std::span<const std::uint16_t> words) {
  if (!UnitAddressValid(unit) || !RegisterValid(first) || count < 1 ||
      count > kModbusMaxWriteCount || words.size() < static_cast<std::size_t>(count)) {
    return CommError::InvalidArgument;
  }
  const auto address = static_cast<std::uint8_t>(unit);
  context.frame = BuildRtuWriteRequest(address, first, words.first(count));
  if (CommError e = SendRequest(context, true); e != CommError::None) return e;
  ReplyBuffer reply;
  return ReadReply(
      context.port, kRtuWriteReplyLength, 2, reply,
      [&](std::span<const std::uint8_t> bytes) { return CheckRtuWriteReply(bytes, address); });
}

CommError WriteSingleCoil(RtuContext& context, int unit, int coil) {
  if (!UnitAddressValid(unit)) return CommError::InvalidArgument;
  const auto address = static_cast<std::uint8_t>(unit);
  context.frame = BuildRtuCoilRequest(address, coil);
  CommError result = SendRequest(context, false);
  if (result == CommError::None) {
    ReplyBuffer reply;
    result = ReadReply(
        context.port, kRtuCoilReplyLength, 2, reply,
        [&](std::span<const std::uint8_t> bytes) { return CheckRtuCoilReply(bytes, address); });
  }
  // A port that failed during the command is closed, so the next exchange
  // starts from a fresh open; a reply that merely failed its test leaves it open.
  switch (result) {
    case CommError::PortOpenFailed:
    case CommError::PortBusy:
    case CommError::PortSetupFailed:
    case CommError::PortError:
    case CommError::WriteIncomplete:
      context.port.Close();
      break;
    default:
      break;
  }
  return result;
}

}  // namespace kvx
