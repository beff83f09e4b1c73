#include "comm/comm_error.h"

namespace kvx {

std::string_view CommErrorText(CommError error) {
  switch (error) {
    case CommError::None:
      return "no error";
    case CommError::InvalidArgument:
      return "argument outside the limits of the protocol";
    case CommError::NoSerialPort:
      return "no serial port configured";
    case CommError::NoTcpClient:
      return "no TCP client configured";
    case CommError::UnknownProtocol:
      return "unknown protocol";
    case CommError::ProtocolUnavailable:
      return "protocol not available in this build";
    case CommError::LockBusy:
      return "link busy with another exchange";
    case CommError::PortOpenFailed:
      return "serial port could not be opened";
    case CommError::PortBusy:
      return "serial port is in use by another program";
    case CommError::PortSetupFailed:
      return "serial port line settings could not be applied";
    case CommError::PortError:
      return "serial port error";
    case CommError::WriteIncomplete:
      return "request not completely written";
    case CommError::ReplyTooShort:
      return "no complete reply within the time-out";
    case CommError::WrongUnit:
      return "reply from another unit address";
    case CommError::ExceptionReply:
      return "exception reply";
    case CommError::WrongFunction:
      return "reply with an unexpected function code";
    case CommError::WrongByteCount:
      return "reply with a wrong byte count";
    case CommError::BadCrc:
      return "reply CRC does not match";
    case CommError::BadAddress:
      return "remote host is not an IPv4 address";
    case CommError::ConnectFailed:
      return "connection refused or failed";
    case CommError::ConnectTimeout:
      return "connection attempt timed out";
    case CommError::SocketError:
      return "socket error";
    case CommError::SendIncomplete:
      return "request not completely sent";
    case CommError::NoReply:
      return "no reply within the time-out";
    case CommError::WrongLength:
      return "reply length does not match the request";
    case CommError::PeerClosed:
      return "connection closed by the remote end";
  }
  return "unknown error";
}

}  // namespace kvx
