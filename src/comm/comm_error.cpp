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
    case CommError::Df1NoAck:
      return "message not acknowledged (no DLE ACK)";
    case CommError::Df1Nak:
      return "message refused by the relay (DLE NAK)";
    case CommError::Df1NoData:
      return "no reply ready at any poll (DLE EOT)";
    case CommError::Df1BadFrame:
      return "reply frame malformed or its check does not match";
    case CommError::Df1ErrorStatus:
      return "reply with an error status";
    case CommError::Df1PacketTooShort:
      return "reply packet too short";
    case CommError::Df1ReplyTooLong:
      return "reply frame longer than its buffer";
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

std::string_view Df1StatusMeaning(int status) {
  switch (status & 0xF0) {
    case 0x10:
      return "illegal command or format";
    case 0x20:
      return "the relay has a problem and will not communicate";
    case 0x30:
      return "remote node missing, disconnected or shut down";
    case 0x40:
      return "hardware fault";
    case 0x50:
      return "addressing problem or memory protection";
    case 0x60:
      return "function not allowed by command protection";
    case 0x70:
      return "processor in program mode";
    case 0x80:
      return "compatibility file missing or communication zone problem";
    case 0x90:
      return "remote node cannot buffer the command";
    case 0xB0:
      return "remote node problem due to download";
    case 0xF0:
      return "error code in the extended status";
    default:
      break;
  }
  switch (status & 0x0F) {
    case 0x01:
      return "destination node out of buffer space";
    case 0x02:
      return "delivery not guaranteed: link layer";
    case 0x03:
      return "duplicate token holder";
    case 0x04:
      return "local port disconnected";
    case 0x05:
      return "no response in time";
    case 0x06:
      return "duplicate node";
    case 0x07:
      return "station offline";
    case 0x08:
      return "hardware fault";
    default:
      return "undefined error status";
  }
}

bool IsExceptionReply(CommError error) {
  // A DF1 error status is the relay's refusal as a Modbus exception is.
  return error == CommError::ExceptionReply || error == CommError::Df1ErrorStatus ||
         ExceptionCode(error) != 0;
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
