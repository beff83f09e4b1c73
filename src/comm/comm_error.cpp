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
    case CommError::ExceptionIllegalFunction:
      return "exception reply 1: illegal function";
    case CommError::ExceptionIllegalAddress:
      return "exception reply 2: illegal data address";
    case CommError::ExceptionIllegalValue:
      return "exception reply 3: illegal data value";
    case CommError::ExceptionDeviceFailure:
      return "exception reply 4: device failure";
    case CommError::WrongEchoAddress:
      return "reply echoes another register";
    case CommError::WrongEchoCount:
      return "reply echoes another register count";
    case CommError::WrongEchoValue:
      return "reply echoes another coil state";
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
      return "reply length does not match its header or the request";
    case CommError::PeerClosed:
      return "connection closed by the remote end";
    case CommError::WrongTransaction:
      return "reply to another transaction";
    case CommError::WrongProtocolId:
      return "reply is not Modbus (protocol id not 0)";
    case CommError::BadLength:
      return "reply header declares an impossible length";
  }
  return "unknown error";
}

CommError ExceptionError(std::uint8_t code) {
  switch (code) {
    case 1:
      return CommError::ExceptionIllegalFunction;
    case 2:
      return CommError::ExceptionIllegalAddress;
    case 3:
      return CommError::ExceptionIllegalValue;
    case 4:
      return CommError::ExceptionDeviceFailure;
    default:
      return CommError::ExceptionReply;
  }
}

std::string_view ExceptionMeaning(int code) {
  switch (code) {
    case 1:
      return "illegal function";
    case 2:
      return "illegal data address";
    case 3:
      return "illegal data value";
    case 4:
      return "device failure";
    default:
      return "exception reply";
  }
}

bool IsExceptionReply(CommError error) {
  return error == CommError::ExceptionReply || ExceptionCode(error) != 0;
}

int ExceptionCode(CommError error) {
  switch (error) {
    case CommError::ExceptionIllegalFunction:
      return 1;
    case CommError::ExceptionIllegalAddress:
      return 2;
    case CommError::ExceptionIllegalValue:
      return 3;
    case CommError::ExceptionDeviceFailure:
      return 4;
    default:
      return 0;
  }
}

}  // namespace kvx
