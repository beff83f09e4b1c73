#include "comm/modbus_tcp_client.h"

#include <array>

#include "comm/modbus_limits.h"
#include "comm/protocol_client.h"
#include "comm/tcp_frames.h"

namespace kvx {
namespace {

using ReplyBuffer = std::array<std::uint8_t, kTcpReplyCapacity>;
using Clock = std::chrono::steady_clock;

// Bytes that arrived outside any exchange (a peer's surplus or unsolicited
// data) would otherwise be taken as the start of the next reply. They are
// dropped before the request goes out; a peer that closed meanwhile is
// reconnected once.
CommError DiscardStaleInput(TcpClient& client) {
  std::array<std::uint8_t, 512> scratch;
  for (int round = 0; round < 8; ++round) {
    bool readable = false;
    if (CommError e = client.WaitForData(std::chrono::milliseconds(0), readable);
        e != CommError::None) {
      return e;
    }
    if (!readable) return CommError::None;
    std::size_t got = 0;
    CommError e = client.Receive(scratch, got);
    if (e == CommError::PeerClosed) {
      client.Disconnect();
      return client.Connect();
    }
    if (e != CommError::None) return e;
  }
  return CommError::SocketError;  // a peer that keeps talking on its own is not a relay
}

// Receives exactly into.size() bytes before `deadline`, however the stream
// cuts them into segments; `got` says how many came. Never takes a byte more.
CommError ReceiveExactly(TcpClient& client, std::span<std::uint8_t> into, std::size_t& got,
                         Clock::time_point deadline) {
  got = 0;
  while (got < into.size()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return CommError::ReplyTooShort;
    bool readable = false;
    if (CommError e = client.WaitForData(left, readable); e != CommError::None) return e;
    if (!readable) continue;  // the deadline is checked above
    std::size_t n = 0;
    if (CommError e = client.Receive(into.subspan(got), n); e != CommError::None) return e;
    got += n;
  }
  return CommError::None;
}

// Connect, send `request`, read the reply's header and then exactly the
// length it declares, within the reply time-out, and check it against the
// request (filling `words` for a read). Any failure disconnects, so nothing
// of this exchange can reach the next one.
ExchangeOutcome Exchange(TcpClient& client, std::span<const std::uint8_t> request,
                         std::span<std::uint16_t> words) {
  ExchangeOutcome outcome;
  if (!client.IsConnected()) {
    if (CommError e = client.Connect(); e != CommError::None) {
      client.Disconnect();
      outcome.error = e;
      outcome.systemError = client.SystemError();
      if (e == CommError::ConnectTimeout) outcome.timeout = kTcpConnectTimeout;
      return outcome;
    }
  }
  CommError result = DiscardStaleInput(client);
  if (result == CommError::None) {
    client.TraceFrame(FrameDirection::Tx, request);
    std::size_t sent = 0;
    result = client.Send(request, sent);
    if (result == CommError::None && sent != request.size()) result = CommError::SendIncomplete;
  }
  if (result == CommError::None) {
    ReplyBuffer reply;
    outcome.timeout = kTcpReplyTimeout;
    const auto deadline = Clock::now() + kTcpReplyTimeout;
    std::size_t got = 0;
    result = ReceiveExactly(client, std::span(reply).first(kTcpHeaderLength), got, deadline);
    if (result == CommError::ReplyTooShort && got == 0) result = CommError::NoReply;
    std::size_t following = 0;
    if (result == CommError::None) {
      result = CheckTcpReplyHeader(request, std::span(reply).first(got), following);
    }
    if (result == CommError::None) {
      std::size_t more = 0;
      result = ReceiveExactly(client, std::span(reply).subspan(got, following), more, deadline);
      got += more;
      if (result == CommError::None)
        result = CheckTcpReply(request, std::span(reply).first(got), words);
    }
    client.TraceFrame(FrameDirection::Rx, std::span(reply).first(got));
    outcome.replyHeard = got > 0;
  }
  if (result != CommError::None) client.Disconnect();
  outcome.error = result;
  return outcome;
}

bool RegisterValid(int first) {
  return first >= 0 && first <= kTcpMaxRegister;
}

ExchangeOutcome ReadOutcome(TcpClient& client, int unit, int first, int count,
                            std::span<std::uint16_t> words) {
  if (!UnitAddressValid(unit) || !RegisterValid(first) || count < 1 ||
      count > kModbusMaxReadCount || words.size() < static_cast<std::size_t>(count)) {
    return {CommError::InvalidArgument};
  }
  const TcpFrame request = BuildTcpReadRequest(static_cast<std::uint8_t>(unit), first, count,
                                               client.NextTransactionId());
  return Exchange(client, request.View(), words);
}

ExchangeOutcome WriteOutcome(TcpClient& client, int unit, int first, int count,
                             std::span<const std::uint16_t> words) {
  if (!UnitAddressValid(unit) || !RegisterValid(first) || count < 1 ||
      count > kModbusMaxWriteCount || words.size() < static_cast<std::size_t>(count)) {
    return {CommError::InvalidArgument};
  }
  const TcpFrame request = BuildTcpWriteRequest(static_cast<std::uint8_t>(unit), first,
                                                words.first(count), client.NextTransactionId());
  return Exchange(client, request.View(), {});
}

ExchangeOutcome CommandOutcome(TcpClient& client, int unit, int code) {
  if (!UnitAddressValid(unit)) return {CommError::InvalidArgument};
  const TcpFrame request =
      BuildTcpCommandRequest(static_cast<std::uint8_t>(unit), code, client.NextTransactionId());
  return Exchange(client, request.View(), {});
}

// The register access layer's calls for Modbus TCP.

ExchangeOutcome TcpRead(CommSettings& s, int first, int count, std::span<std::uint16_t> words) {
  if (!s.tcpClient) return {CommError::NoTcpClient};
  return ReadOutcome(*s.tcpClient, s.unitAddress, first, count, words);
}

ExchangeOutcome TcpWrite(CommSettings& s, int first, int count,
                         std::span<const std::uint16_t> words) {
  if (!s.tcpClient) return {CommError::NoTcpClient};
  return WriteOutcome(*s.tcpClient, s.unitAddress, first, count, words);
}

ExchangeOutcome TcpCmd(CommSettings& s, int code) {
  if (!s.tcpClient) return {CommError::NoTcpClient};
  return CommandOutcome(*s.tcpClient, s.unitAddress, code);
}

std::string TcpLinkName(const CommSettings& s) {
  if (!s.tcpClient) return "(no TCP client)";
  return FormatHostAndPort(s.tcpClient->RemoteHost(), s.tcpClient->RemotePort());
}

}  // namespace

CommError TcpReadRegisters(TcpClient& client, int unit, int first, int count,
                           std::span<std::uint16_t> words) {
  return ReadOutcome(client, unit, first, count, words).error;
}

CommError TcpWriteRegisters(TcpClient& client, int unit, int first, int count,
                            std::span<const std::uint16_t> words) {
  return WriteOutcome(client, unit, first, count, words).error;
}

CommError TcpCommand(TcpClient& client, int unit, int code) {
  return CommandOutcome(client, unit, code).error;
}

const ProtocolClient& ModbusTcpProtocolClient() {
  static constexpr ProtocolClient client{TcpRead, TcpWrite, TcpCmd, TcpLinkName};
  return client;
}

}  // namespace kvx
