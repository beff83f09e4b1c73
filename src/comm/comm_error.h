#pragma once
// Why an exchange failed. Clients return one of these; the register access
// layer turns it into the plain success flag its callers expect, and front ends
// use the text for a one-line reason.

#include <cstdint>
#include <string_view>

namespace kvx {

enum class CommError : std::uint8_t {
  None = 0,
  // Refused before any traffic.
  InvalidArgument,
  NoSerialPort,
  NoTcpClient,
  UnknownProtocol,
  ProtocolUnavailable,
  LockBusy,
  // Serial port.
  PortOpenFailed,
  PortBusy,
  PortSetupFailed,
  PortError,
  WriteIncomplete,
  // Reply tests.
  ReplyTooShort,
  WrongUnit,
  ExceptionReply,
  WrongFunction,
  WrongByteCount,
  BadCrc,
  // TCP client.
  BadAddress,
  ConnectFailed,
  ConnectTimeout,
  SocketError,
  SendIncomplete,
  NoReply,
  WrongLength,
  PeerClosed,
};

// A short English text for each error (never empty).
std::string_view CommErrorText(CommError error);

}  // namespace kvx
