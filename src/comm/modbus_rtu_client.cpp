#include "comm/modbus_rtu_client.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>

#include "comm/modbus_limits.h"
#include "comm/protocol_client.h"

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
  context.sentAt = SerialPort::Clock::now();
  CommError e = port.Write(frame, written);
  if (e == CommError::PortError) return e;
  if (written == 0) return e == CommError::None ? CommError::WriteIncomplete : e;
  if (requireAllWritten && written != frame.size()) return CommError::WriteIncomplete;
  return CommError::None;
}

// After a failed attempt the relay may still be sending (the rest of a reply
// that failed early), or about to send (a late reply). Reading on until the
// line has been quiet keeps the next request from talking over it and its
// tail, or the late reply, from being taken for the next request's reply.
// Listens at least `listen`, then until `gap` passes without a byte; bounded
// by `limit` from now. When the last byte came, if any did.
std::optional<SerialPort::Clock::time_point> WaitForQuietLine(SerialPort& port,
                                                              std::chrono::milliseconds listen,
                                                              std::chrono::milliseconds gap,
                                                              std::chrono::milliseconds limit) {
  const auto start = SerialPort::Clock::now();
  const auto end = start + limit;
  std::array<std::uint8_t, 64> scratch;
  std::optional<SerialPort::Clock::time_point> heard;
  auto quietFrom = start;  // the last byte, or the start
  for (;;) {
    const auto now = SerialPort::Clock::now();
    const auto quietEnough = std::max(start + listen, quietFrom + gap);
    if (now >= end || now >= quietEnough) return heard;
    // Steps of at most one gap, so a byte's time is known to within a gap.
    std::size_t got = 0;
    CommError e = port.ReadUntil(scratch, got, std::min({now + gap, quietEnough, end}));
    if (e == CommError::PortError) return heard;
    if (got > 0) heard = quietFrom = SerialPort::Clock::now();
  }
}

// Nothing in an RTU reply says which request it answers: a reply to a
// timed-out request that arrives during a later exchange of the same shape
// would pass every check there. So the client listens for late replies:
// after a time-out at least one more time-out, plus the window a late relay
// has shown (a late reply heard sets it to at least twice how late the reply
// came, up to this; two successes in a row halve it).
constexpr std::chrono::milliseconds kLongestLateWindow{5000};

std::uint64_t FrameHash(std::span<const std::uint8_t> frame) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a
  for (std::uint8_t b : frame) hash = (hash ^ b) * 0x100000001b3ULL;
  return hash;
}

// The window that covers a reply heard `lateBy` after its request's time-out,
// with room to spare.
std::chrono::milliseconds Covering(std::chrono::milliseconds lateBy) {
  return std::clamp(2 * lateBy, std::chrono::milliseconds(0), kLongestLateWindow);
}

// What the line does after an exchange, by its verdict. `replyStart` is when
// the reply's first byte was seen (for a passing reply).
void AfterExchange(RtuContext& context, CommError verdict, std::chrono::milliseconds timeout,
                   SerialPort::Clock::time_point replyStart) {
  using namespace std::chrono;
  SerialPort& port = context.port;
  SerialPort::LateReplies& late = port.LateReplyHistory();
  const auto gap = QuietGap(port.BaudRate());
  const std::uint64_t frame = FrameHash(context.frame.View());
  const bool repeated = late.unanswered && late.unansweredFrame == frame;
  if (verdict == CommError::None) {
    if (repeated) {
      // The reply may have answered the first unanswered attempt of this same
      // request; then this attempt's own answer comes as late after it.
      const auto lateBy = duration_cast<milliseconds>(replyStart - late.unansweredSince);
      // A relay's turnaround varies a little from request to request.
      const auto spare = std::max(gap, lateBy / 4);
      const auto wait =
          duration_cast<milliseconds>(context.sentAt + lateBy - SerialPort::Clock::now()) + spare;
      if (wait > spare) {
        const auto listen = std::min(wait, kLongestLateWindow);
        if (WaitForQuietLine(port, listen, gap, listen + timeout)) {
          late.window = std::max(late.window, Covering(lateBy - timeout));
        }
      }
    } else if (late.lastExchangeOk) {
      late.window /= 2;
    }
    late.unanswered = false;
    late.lastExchangeOk = true;
    return;
  }
  late.lastExchangeOk = false;
  if (verdict != CommError::ReplyTooShort) {
    // A reply that failed a check is followed at most by its own tail.
    WaitForQuietLine(port, gap, gap, timeout);
    return;
  }
  if (!repeated) {
    late.unanswered = true;
    late.unansweredFrame = frame;
    late.unansweredSince = context.sentAt;
  }
  const auto timedOutAt = SerialPort::Clock::now();
  const auto listen = timeout + late.window;
  if (auto heard = WaitForQuietLine(port, listen, gap, listen + timeout)) {
    late.window = std::max(late.window, Covering(duration_cast<milliseconds>(*heard - timedOutAt)));
  }
}

// Reads a reply of `length` bytes within the total time-out for `length`
// bytes, looking at the first `headerLength` bytes before waiting for the
// rest: a reply that is already wrong (another unit, an exception) fails at
// once instead of after the full time-out. An exception reply is read to its
// own end so that it is seen whole.
template <typename Check>
CommError ReadReply(RtuContext& context, std::size_t length, std::size_t headerLength,
                    ReplyBuffer& reply, Check check) {
  SerialPort& port = context.port;
  const auto timeout = SerialTimeoutFor(length);
  context.timeout = timeout;
  const auto deadline = SerialPort::Clock::now() + timeout;
  std::size_t got = 0;
  CommError io = port.ReadUntil(std::span(reply).first(1), got, deadline);
  const auto replyStart = SerialPort::Clock::now();
  if (io == CommError::None && headerLength > 1) {
    std::size_t more = 0;
    io = port.ReadUntil(std::span(reply).subspan(1, headerLength - 1), more, deadline);
    got += more;
  }
  CommError verdict = check(std::span<const std::uint8_t>(reply.data(), got));
  if (io == CommError::None && verdict == CommError::ReplyTooShort) {
    const std::size_t whole = RtuReplyLengthFor(std::span(reply).first(got), length);
    std::size_t more = 0;
    io = port.ReadUntil(std::span(reply).subspan(got, whole - got), more, deadline);
    got += more;
    verdict = check(std::span<const std::uint8_t>(reply.data(), got));
  }
  port.TraceFrame(FrameDirection::Rx, std::span<const std::uint8_t>(reply.data(), got));
  context.replyHeard = got > 0;
  if (io == CommError::PortError) return io;
  AfterExchange(context, verdict, timeout, replyStart);
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
  return ReadReply(context, RtuReadReplyLength(count), 3, reply,
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
  return ReadReply(context, kRtuWriteReplyLength, 2, reply,
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
    result =
        ReadReply(context, kRtuCoilReplyLength, 2, reply, [&](std::span<const std::uint8_t> bytes) {
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

namespace {

// The register access layer's calls for Modbus RTU.

ExchangeOutcome Outcome(const RtuContext& context, CommError error) {
  return SerialExchangeOutcome(error, context.timeout, context.replyHeard, context.port);
}

ExchangeOutcome RtuRead(CommSettings& s, int first, int count, std::span<std::uint16_t> words) {
  if (!s.serialPort) return {CommError::NoSerialPort};
  RtuContext context(*s.serialPort);
  return Outcome(context, ReadHoldingRegisters(context, s.unitAddress, first, count, words));
}

ExchangeOutcome RtuWrite(CommSettings& s, int first, int count,
                         std::span<const std::uint16_t> words) {
  if (!s.serialPort) return {CommError::NoSerialPort};
  RtuContext context(*s.serialPort);
  return Outcome(context, WriteMultipleRegisters(context, s.unitAddress, first, count, words));
}

ExchangeOutcome RtuCommand(CommSettings& s, int code) {
  if (!s.serialPort) return {CommError::NoSerialPort};
  RtuContext context(*s.serialPort);
  return Outcome(context, WriteSingleCoil(context, s.unitAddress, code));
}

std::string RtuLinkName(const CommSettings& s) {
  return s.serialPort ? s.serialPort->PortName() : std::string("(no serial port)");
}

}  // namespace

const ProtocolClient& ModbusRtuProtocolClient() {
  static constexpr ProtocolClient client{RtuRead, RtuWrite, RtuCommand, RtuLinkName};
  return client;
}

}  // namespace kvx
