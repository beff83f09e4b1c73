#pragma once
// Why an exchange failed. Clients return one of these; the register access
// layer adds what a person needs to act on it (the port, the unit, the
// register, the time-out) and hands both up as a CommFailure.

#include <cstdint>
#include <string>
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
  // Reply tests. Each names the first field of the reply that did not fit
  // the request, in the order the checks run.
  ReplyTooShort,
  WrongUnit,
  ExceptionReply,  // an exception code other than the four below
  WrongFunction,
  WrongByteCount,
  BadCrc,
  WrongEchoAddress,  // a write reply naming another register or coil
  WrongEchoCount,    // a write reply naming another register count
  WrongEchoValue,    // a coil reply naming another coil state
  // Exception replies: the relay understood the request and refused it.
  ExceptionIllegalFunction,
  ExceptionIllegalAddress,
  ExceptionIllegalValue,
  ExceptionDeviceFailure,
  // TCP client.
  BadAddress,
  ConnectFailed,
  ConnectTimeout,
  SocketError,
  SendIncomplete,
  NoReply,
  WrongLength,  // the header's length does not fit the bytes or the request
  PeerClosed,
  WrongTransaction,
  WrongProtocolId,
  BadLength,  // the header declares a length no Modbus reply can have
  // DF1 half-duplex.
  Df1NoAck,           // the message was not acknowledged with DLE ACK
  Df1Nak,             // the relay refused the message with DLE NAK
  Df1NoData,          // every poll got DLE EOT: the relay had no reply ready
  Df1BadFrame,        // a reply frame out of shape or with a failing check
  Df1ErrorStatus,     // a reply carrying an error status (STS)
  Df1PacketTooShort,  // a reply packet without its six header bytes
  Df1ReplyTooLong,    // a reply frame growing past its buffer
};

// A short English text for each error (never empty).
std::string_view CommErrorText(CommError error);

// The error for an exception reply carrying `code`.
CommError ExceptionError(std::uint8_t code);
// Whether `error` is an exception reply or a DF1 error status (the relay
// refused the request).
bool IsExceptionReply(CommError error);
// The Modbus exception code behind `error` (0 when it is none of the four
// named ones).
int ExceptionCode(CommError error);
// What exception code 1..4 means ("illegal data address"); "exception reply"
// for any other.
std::string_view ExceptionMeaning(int code);

// The meaning of a DF1 error status (STS) for a person: the remote errors of
// the high nibble first, then the local ones of the low nibble.
std::string_view Df1StatusMeaning(int status);

// A failed access as it travels up to a front end: the code for decisions
// (was it refused? did the relay answer at all?) and one line for a person,
// such as "no reply from unit 254 within 170 ms after 3 attempts" or
// "cannot open /dev/ttyUSB9: No such file or directory". Default: no failure.
struct CommFailure {
  CommError error = CommError::None;
  std::string reason;  // empty when error is None
  bool Failed() const { return error != CommError::None; }
};

}  // namespace kvx
