#include "comm/df1_client.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>

#include "comm/modbus_limits.h"
#include "comm/protocol_client.h"

namespace kvx {
namespace {

Df1Check CheckOf(const Df1Context& context) {
  return context.checkMode == 1 ? Df1Check::Bcc : Df1Check::Crc;
}

bool ContextValid(const Df1Context& context) {
  return context.source >= 0 && context.source <= 254 &&
         (context.checkMode == 0 || context.checkMode == 1);
}

bool AddressValid(int wordAddress) {
  return wordAddress >= 0 && wordAddress <= kDf1MaxWordAddress;
}

// Input waiting before a send (the rest of a refused reply, noise) would be
// read as the start of the answer, so it is read off. Output is never
// discarded: an acknowledgement is followed at once by the next poll, and
// flushing the transmit side for the poll dropped the DLE ACK still on its
// way to the relay.
CommError DiscardInput(SerialPort& port) {
  std::array<std::uint8_t, 64> scratch;
  for (int round = 0; round < 16; ++round) {
    std::size_t got = 0;
    CommError e = port.ReadUntil(scratch, got, SerialPort::Clock::now());
    if (e == CommError::PortError) return e;
    if (got == 0) break;
  }
  return CommError::None;
}

// After a frame that failed, the relay may still be sending: the rest of a
// frame whose start was noise, or an answer behind garbage. On a real line
// (and on a paced one) that tail arrives after the failure was seen; read on
// until the line has been quiet for 3.5 character times (at least 20 ms:
// schedulers and USB adapters deliver bytes in bursts), so the tail is never
// taken for the start of the next answer. Bounded by the time the longest
// frame takes at the slowest rate, whatever the line does.
void WaitForQuietLine(SerialPort& port) {
  using std::chrono::milliseconds;
  const int baud = port.BaudRate();
  const milliseconds gap(std::max(baud > 0 ? (35 * 1000 + baud - 1) / baud : 0, 20));
  const auto end = SerialPort::Clock::now() + milliseconds(600);
  auto quietFrom = SerialPort::Clock::now();
  std::array<std::uint8_t, 64> scratch;
  for (;;) {
    const auto now = SerialPort::Clock::now();
    if (now >= end || now >= quietFrom + gap) return;
    std::size_t got = 0;
    if (port.ReadUntil(scratch, got, std::min(quietFrom + gap, end)) == CommError::PortError) {
      return;
    }
    if (got > 0) quietFrom = SerialPort::Clock::now();
  }
}

// Opens the port when needed, discards waiting input and writes all of `bytes`.
CommError Send(SerialPort& port, std::span<const std::uint8_t> bytes) {
  if (!port.IsOpen()) {
    if (CommError e = port.Open(); e != CommError::None) return e;
  }
  if (CommError e = DiscardInput(port); e != CommError::None) return e;
  port.TraceFrame(FrameDirection::Tx, bytes);
  std::size_t written = 0;
  CommError e = port.Write(bytes, written);
  if (e == CommError::PortError) return e;
  if (written != bytes.size()) return e == CommError::None ? CommError::WriteIncomplete : e;
  return CommError::None;
}

CommError SendControl(SerialPort& port, std::uint8_t control) {
  const std::array<std::uint8_t, 2> bytes{kDf1Dle, control};
  return Send(port, bytes);
}

// One byte within the per-byte limit: None, NoReply (silence) or PortError.
CommError ReadByte(SerialPort& port, std::uint8_t& b) {
  std::size_t got = 0;
  CommError e = port.ReadUntil({&b, 1}, got, SerialPort::Clock::now() + kDf1ByteTimeout);
  if (e == CommError::PortError) return e;
  return got == 1 ? CommError::None : CommError::NoReply;
}

// The relay takes the message with DLE ACK (or refuses it with DLE NAK).
CommError AwaitAck(Df1Context& context) {
  SerialPort& port = context.port;
  std::array<std::uint8_t, 2> got{};
  std::size_t n = 0;
  CommError e = CommError::None;
  while (n < got.size()) {
    e = ReadByte(port, got[n]);
    if (e != CommError::None) break;
    ++n;
    if (got[0] != kDf1Dle) break;
  }
  port.TraceFrame(FrameDirection::Rx, std::span<const std::uint8_t>(got.data(), n));
  // Something other than the DLE ACK counts as a reply heard; the ACK is not
  // yet the reply that the polls fetch.
  if (n > 0 && !(n == 2 && got[0] == kDf1Dle && got[1] == kDf1Ack)) context.replyHeard = true;
  if (e == CommError::PortError) return e;
  if (n == 2 && got[0] == kDf1Dle && got[1] == kDf1Ack) return CommError::None;
  if (n == 2 && got[0] == kDf1Dle && got[1] == kDf1Nak) return CommError::Df1Nak;
  return CommError::Df1NoAck;
}

CommError ReceiveReply(Df1Context& context, Df1ReplyReader& reader) {
  SerialPort& port = context.port;
  CommError e = CommError::None;
  for (;;) {
    std::uint8_t b = 0;
    e = ReadByte(port, b);
    if (e != CommError::None) break;
    const auto step = reader.Feed(b);
    if (step == Df1ReplyReader::Step::Complete) break;
    if (step == Df1ReplyReader::Step::TooLong) {
      e = CommError::Df1ReplyTooLong;
      break;
    }
  }
  port.TraceFrame(FrameDirection::Rx, reader.Frame());
  if (!reader.Frame().empty()) context.replyHeard = true;
  return e;
}

// The end of a failed exchange: once the line is quiet the relay is told,
// and the port closed.
CommError Fail(Df1Context& context, CommError reason) {
  SerialPort& port = context.port;
  if (port.IsOpen()) {
    WaitForQuietLine(port);
    SendControl(port, kDf1Nak);  // a failure here changes nothing
  }
  port.Close();
  return reason;
}

// One exchange of `packet`; a read (count > 0) fills `words`.
CommError Exchange(Df1Context& context, const Df1Packet& packet, int polls, int count,
                   std::span<std::uint16_t> words) {
  SerialPort& port = context.port;
  const Df1Check check = CheckOf(context);
  const std::uint8_t station = packet.bytes[0];
  const std::uint8_t cmd = packet.bytes[2];
  const Df1Message message = BuildDf1Message(packet.View(), check);
  if (CommError e = Send(port, message.View()); e != CommError::None) return Fail(context, e);
  if (CommError e = AwaitAck(context); e != CommError::None) return Fail(context, e);

  const Df1Message poll = BuildDf1Poll(station);
  const std::size_t limit = Df1ReplyLimit(count > 0 ? 2 * static_cast<std::size_t>(count) : 0);
  // The reason given when the polls run out. A relay that has answered (an
  // error status, another TNS) has nothing left for the next poll: its DLE EOT
  // there must not hide the answer.
  CommError reason = CommError::Df1NoData;
  auto note = [&reason](CommError verdict) {
    if (verdict != CommError::Df1NoData || reason == CommError::Df1NoData) reason = verdict;
  };
  for (int i = 0; i < polls; ++i) {
    if (CommError e = Send(port, poll.View()); e != CommError::None) return Fail(context, e);
    ++context.polls;
    Df1ReplyReader reader(check, limit);
    if (CommError e = ReceiveReply(context, reader); e != CommError::None) {
      return Fail(context, e);
    }
    Df1Packet reply;
    if (CommError verdict = ParseDf1Reply(reader.Frame(), check, reply);
        verdict != CommError::None) {
      note(verdict);
      if (verdict == CommError::Df1BadFrame) WaitForQuietLine(port);
      continue;
    }
    if (CommError e = SendControl(port, kDf1Ack); e != CommError::None) return Fail(context, e);
    const CommError verdict = JudgeDf1Reply(reply.View(), cmd, context.tns, count, words);
    if (verdict == CommError::None) return CommError::None;
    if (verdict == CommError::Df1ErrorStatus) context.status = reply.bytes[3];
    note(verdict);
  }
  return Fail(context, reason);
}

CommError WriteChecked(Df1Context& context, int unit, int wordAddress,
                       std::span<const std::uint16_t> words, int polls) {
  const Df1Packet packet = BuildDf1WritePacket(static_cast<std::uint8_t>(unit),
                                               static_cast<std::uint8_t>(context.source),
                                               context.tns, wordAddress, words);
  return Exchange(context, packet, polls, 0, {});
}

}  // namespace

CommError Df1ReadWords(Df1Context& context, int unit, int wordAddress, int count,
                       std::span<std::uint16_t> words) {
  if (!ContextValid(context) || !UnitAddressValid(unit) || !AddressValid(wordAddress) ||
      count < 1 || count > kDf1MaxWords || words.size() < static_cast<std::size_t>(count)) {
    return CommError::InvalidArgument;
  }
  const Df1Packet packet =
      BuildDf1ReadPacket(static_cast<std::uint8_t>(unit), static_cast<std::uint8_t>(context.source),
                         context.tns, wordAddress, count);
  // Words are only delivered from a reply that passed; a failed read leaves
  // the caller's buffer as it was.
  std::array<std::uint16_t, kDf1MaxWords> got{};
  const CommError e = Exchange(context, packet, kDf1ReadWritePolls, count, got);
  if (e == CommError::None) {
    for (int i = 0; i < count; ++i) words[static_cast<std::size_t>(i)] = got[i];
  }
  return e;
}

CommError Df1WriteWords(Df1Context& context, int unit, int wordAddress, int count,
                        std::span<const std::uint16_t> words) {
  if (!ContextValid(context) || !UnitAddressValid(unit) || !AddressValid(wordAddress) ||
      count < 1 || count > kDf1MaxWords || words.size() < static_cast<std::size_t>(count)) {
    return CommError::InvalidArgument;
  }
  return WriteChecked(context, unit, wordAddress, words.first(static_cast<std::size_t>(count)),
                      kDf1ReadWritePolls);
}

CommError Df1Command(Df1Context& context, int unit, int code) {
  if (!ContextValid(context) || !UnitAddressValid(unit)) return CommError::InvalidArgument;
  const std::array<std::uint16_t, 1> word{static_cast<std::uint16_t>(code & 0xFFFF)};
  return WriteChecked(context, unit, kDf1CommandWord, word, kDf1CommandPolls);
}

namespace {

// Every attempt takes the next transaction number, also one that fails.
std::uint16_t NextTransaction(CommSettings& s) {
  const auto current = static_cast<std::uint32_t>(s.transactionCounter);
  s.transactionCounter = static_cast<std::int32_t>(current + 1u);
  return static_cast<std::uint16_t>(current & 0xFFFF);
}

ExchangeOutcome Outcome(const Df1Context& context, CommError error) {
  ExchangeOutcome outcome =
      SerialExchangeOutcome(error, kDf1ByteTimeout, context.replyHeard, context.port);
  if (error == CommError::Df1ErrorStatus) outcome.refusalCode = context.status;
  return outcome;
}

ExchangeOutcome ClientRead(CommSettings& s, int first, int count, std::span<std::uint16_t> words) {
  if (!s.serialPort) return {CommError::NoSerialPort};
  Df1Context context(*s.serialPort, s.sourceAddress, NextTransaction(s), s.errorCheck);
  return Outcome(context, Df1ReadWords(context, s.unitAddress, first, count, words));
}

ExchangeOutcome ClientWrite(CommSettings& s, int first, int count,
                            std::span<const std::uint16_t> words) {
  if (!s.serialPort) return {CommError::NoSerialPort};
  Df1Context context(*s.serialPort, s.sourceAddress, NextTransaction(s), s.errorCheck);
  return Outcome(context, Df1WriteWords(context, s.unitAddress, first, count, words));
}

ExchangeOutcome ClientCommand(CommSettings& s, int code) {
  if (!s.serialPort) return {CommError::NoSerialPort};
  Df1Context context(*s.serialPort, s.sourceAddress, NextTransaction(s), s.errorCheck);
  return Outcome(context, Df1Command(context, s.unitAddress, code));
}

std::string ClientLinkName(const CommSettings& s) {
  return s.serialPort ? s.serialPort->PortName() : std::string("(no serial port)");
}

}  // namespace

// Each call takes the next transaction number from settings.transactionCounter.
const ProtocolClient& Df1ProtocolClient() {
  static constexpr ProtocolClient client{.read = ClientRead,
                                         .write = ClientWrite,
                                         .command = ClientCommand,
                                         .linkName = ClientLinkName};
  return client;
}

}  // namespace kvx
