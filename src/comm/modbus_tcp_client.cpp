#include "comm/modbus_tcp_client.h"

#include <array>

#include "comm/modbus_limits.h"
#include "comm/tcp_frames.h"

namespace kvx {
namespace {

using ReplyBuffer = std::array<std::uint8_t, TcpReadReplyLength(kModbusMaxReadCount)>;

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

// Connect, send `request`, wait for the reply and receive exactly
// `expectedLength` bytes into `reply`.
CommError Exchange(TcpClient& client, std::span<const std::uint8_t> request,
                   std::size_t expectedLength, ReplyBuffer& reply, std::size_t& got) {
  got = 0;
  if (!client.IsConnected()) {
    if (CommError e = client.Connect(); e != CommError::None) {
      client.Disconnect();
      return e;
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
    bool readable = false;
    result = client.WaitForData(kTcpReplyTimeout, readable);
    if (result == CommError::None && !readable) result = CommError::NoReply;
    if (result == CommError::None) {
      result = client.Receive(std::span(reply).first(expectedLength), got);
      if (result == CommError::None) {
        result = CheckTcpReplyLength(std::span(reply).first(got), expectedLength);
        // Only the length decides; a short reply that is an exception is
        // named as one so the reason shown is the useful one.
        if (result == CommError::WrongLength && got == kTcpExceptionReplyLength &&
            (reply[7] & 0x80)) {
          result = CommError::ExceptionReply;
        }
      }
    }
    client.TraceFrame(FrameDirection::Rx, std::span(reply).first(got));
  }
  if (result != CommError::None) client.Disconnect();
  return result;
}

}  // namespace

CommError TcpReadRegisters(TcpClient& client, int unit, int first, int count,
                           std::span<std::uint16_t> words) {
  if (!UnitAddressValid(unit) || first < 0 || first > kTcpMaxRegister || count < 1 ||
      count > kModbusMaxReadCount || words.size() < static_cast<std::size_t>(count)) {
    return CommError::InvalidArgument;
  }
  const TcpFrame request = BuildTcpReadRequest(static_cast<std::uint8_t>(unit), first, count);
  ReplyBuffer reply;
  std::size_t got = 0;
  CommError e = Exchange(client, request.View(), TcpReadReplyLength(count), reply, got);
  if (e != CommError::None) return e;
  return DecodeTcpReadReply(std::span(reply).first(got), count, words);
}

CommError TcpWriteRegisters(TcpClient& client, int unit, int first, int count,
                            std::span<const std::uint16_t> words) {
  if (!UnitAddressValid(unit) || first < 0 || first > kTcpMaxRegister || count < 1 ||
      count > kModbusMaxWriteCount || words.size() < static_cast<std::size_t>(count)) {
    return CommError::InvalidArgument;
  }
  const TcpFrame request =
      BuildTcpWriteRequest(static_cast<std::uint8_t>(unit), first, words.first(count));
  ReplyBuffer reply;
  std::size_t got = 0;
  return Exchange(client, request.View(), kTcpWriteReplyLength, reply, got);
}

CommError TcpCommand(TcpClient& client, int unit, int code) {
  if (!UnitAddressValid(unit)) return CommError::InvalidArgument;
  const TcpFrame request = BuildTcpCommandRequest(static_cast<std::uint8_t>(unit), code);
  ReplyBuffer reply;
  std::size_t got = 0;
  return Exchange(client, request.View(), kTcpWriteReplyLength, reply, got);
}

}  // namespace kvx
