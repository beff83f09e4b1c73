#include "comm/modbus_rtu_client.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "comm/modbus_limits.h"

namespace kvx {
namespace {

// Replies are bounded by the longest read reply.
using ReplyBuffer = std::array<std::uint8_t, RtuReadReplyLength(kModbusMaxReadCount)>;

// The silence that ends a frame is 3.5 character times (10 bits each on our
// 8N1 line); but scheduling and USB serial adapters deliver bytes in bursts
// up to about 16 ms apart, so less than 20 ms of silence proves nothing.
std::chrono::milliseconds QuietGap(int baud) {
  const int frameGap = baud > 0 ? (35 * 1000 + baud - 1) / baud : 0;
  return std::chrono::milliseconds(std::max(frameGap, 20));
}

// After a time-out the relay may be about to answer late: listen this long
// for a reply that starts after the deadline.
constexpr std::chrono::milliseconds kLateReplyQuiet{100};

// Bytes already waiting (the tail of an earlier reply, line noise) would be
// read as the start of this request's reply: they go before it is sent.
CommError DiscardInput(SerialPort& port) {
  if (CommError e = port.ClearBuffers(); e != CommError::None) return e;
  // A terminal may still hand over bytes that were in flight during the flush.
  std::array<std::uint8_t, 64> scratch;
  for (int round = 0; round < 16; ++round) {
    std::size_t got = 0;
    CommError e = port.ReadUntil(scratch, got, SerialPort::Clock::now());
    if (e == CommError::PortError) return e;
    if (got == 0) break;
  }
  return CommError::None;
}

CommError SendRequest(RtuContext& context, bool requireAllWritten) {
  SerialPort& port = context.port;
  if (!port.IsOpen()) {
    if (CommError e = port.Open(); e != CommError::None) return e;
  }
  if (CommError e = DiscardInput(port); e != CommError::None) return e;
  const auto frame = context.frame.View();
  port.TraceFrame(FrameDirection::Tx, frame);
  std::size_t written = 0;
  CommError e = port.Write(frame, written);
  if (e == CommError::PortError) return e;
  if (written == 0) return e == CommError::None ? CommError::WriteIncomplete : e;
  if (requireAllWritten && written != frame.size()) return CommError::WriteIncomplete;
  return CommError::None;
}

// After a failed attempt the relay may still be sending (the rest of a reply
// that failed early, or a late reply). Reading on until the line has been
// quiet for `quiet` keeps the next request from talking over it and its tail
// from being read as the next reply. Bounded by `limit` from now.
void WaitForQuietLine(SerialPort& port, std::chrono::milliseconds quiet,
                      std::chrono::milliseconds limit) {
  const auto end = SerialPort::Clock::now() + limit;
  std::array<std::uint8_t, 64> scratch;
  for (;;) {
    const auto now = SerialPort::Clock::now();
    if (now >= end) return;
    std::size_t got = 0;
    CommError e = port.ReadUntil(scratch, got, std::min(now + quiet, end));
    if (e == CommError::PortError) return;
    if (got == 0) return;  // a whole quiet window
  }
}

// Reads a reply of `length` bytes within the total time-out for `length`
// bytes, looking at the first `headerLength` bytes before waiting for the
// rest: a reply that is already wrong (another unit, an exception) fails at
// once instead of after the full time-out. An exception reply is read to its
// own end so that it is seen whole. A reply that fails leaves the line quiet.
template <typename Check>
CommError ReadReply(SerialPort& port, std::size_t length, std::size_t headerLength,
                    ReplyBuffer& reply, Check check) {
  const auto timeout = SerialTimeoutFor(length);
  const auto deadline = SerialPort::Clock::now() + timeout;
  std::size_t got = 0;
  CommError io = port.ReadUntil(std::span(reply).first(headerLength), got, deadline);
  CommError verdict = check(std::span<const std::uint8_t>(reply.data(), got));
  if (io == CommError::None && verdict == CommError::ReplyTooShort) {
    const std::size_t whole = RtuReplyLengthFor(std::span(reply).first(got), length);
    std::size_t more = 0;
    io = port.ReadUntil(std::span(reply).subspan(got, whole - got), more, deadline);
    got += more;
    verdict = check(std::span<const std::uint8_t>(reply.data(), got));
  }
  port.TraceFrame(FrameDirection::Rx, std::span<const std::uint8_t>(reply.data(), got));
  if (io == CommError::PortError) return io;
  if (verdict != CommError::None) {
    // A reply that never completed may be a late one still on its way; a
    // reply that failed a check is followed at most by its own tail.
    const bool timedOut = verdict == CommError::ReplyTooShort;
    WaitForQuietLine(port, timedOut ? kLateReplyQuiet : QuietGap(port.BaudRate()), timeout);
  }
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
  return ReadReply(context.port, kRtuWriteReplyLength, 2, reply,
                   [&](std::span<const std::uint8_t> bytes) {
                     return CheckRtuWriteReply(bytes, address, first, count);
                   });
}

CommError WriteSingleCoil(RtuContext& context, int unit, int coil) {
  if (!UnitAddressValid(unit)) return CommError::InvalidArgument;
  const auto address = static_cast<std::uint8_t>(unit);
  context.frame = BuildRtuCoilRequest(address, coil);
  CommError result = SendRequest(context, false);
  if (result == CommError::None) {
    ReplyBuffer reply;
    result = ReadReply(context.port, kRtuCoilReplyLength, 2, reply,
                       [&](std::span<const std::uint8_t> bytes) {
                         return CheckRtuCoilReply(bytes, address, coil);
                       });
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
