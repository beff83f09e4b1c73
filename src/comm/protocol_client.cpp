#include "comm/protocol_client.h"

#include "comm/df1_client.h"
#include "comm/modbus_rtu_client.h"
#include "comm/modbus_tcp_client.h"
#include "comm/serial_port.h"
#include "comm/tcp_client.h"

namespace kvx {
namespace {

CommError RtuRead(CommSettings& s, int first, int count, std::span<std::uint16_t> words) {
  if (!s.serialPort) return CommError::NoSerialPort;
  RtuContext context(*s.serialPort);
  return ReadHoldingRegisters(context, s.unitAddress, first, count, words);
}

CommError RtuWrite(CommSettings& s, int first, int count, std::span<const std::uint16_t> words) {
  if (!s.serialPort) return CommError::NoSerialPort;
  RtuContext context(*s.serialPort);
  return WriteMultipleRegisters(context, s.unitAddress, first, count, words);
}

CommError RtuCommand(CommSettings& s, int code) {
  if (!s.serialPort) return CommError::NoSerialPort;
  RtuContext context(*s.serialPort);
  return WriteSingleCoil(context, s.unitAddress, code);
}

CommError TcpRead(CommSettings& s, int first, int count, std::span<std::uint16_t> words) {
  if (!s.tcpClient) return CommError::NoTcpClient;
  return TcpReadRegisters(*s.tcpClient, s.unitAddress, first, count, words);
}

CommError TcpWrite(CommSettings& s, int first, int count, std::span<const std::uint16_t> words) {
  if (!s.tcpClient) return CommError::NoTcpClient;
  return TcpWriteRegisters(*s.tcpClient, s.unitAddress, first, count, words);
}

CommError TcpCmd(CommSettings& s, int code) {
  if (!s.tcpClient) return CommError::NoTcpClient;
  return TcpCommand(*s.tcpClient, s.unitAddress, code);
}

}  // namespace

const ProtocolClient& ModbusRtuProtocolClient() {
  static constexpr ProtocolClient client{RtuRead, RtuWrite, RtuCommand};
  return client;
}

const ProtocolClient& ModbusTcpProtocolClient() {
  static constexpr ProtocolClient client{TcpRead, TcpWrite, TcpCmd};
  return client;
}

const ProtocolClient* FindProtocolClient(ProtocolKind protocol) {
  switch (protocol) {
    case ProtocolKind::ModbusRtu:
      return &ModbusRtuProtocolClient();
    case ProtocolKind::ModbusTcp:
      return &ModbusTcpProtocolClient();
    case ProtocolKind::Df1:
      return &Df1ProtocolClient();
  }
  return nullptr;
}

}  // namespace kvx
