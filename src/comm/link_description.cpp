#include "comm/link_description.h"

#include "comm/protocol_client.h"
#include "comm/serial_port.h"

namespace kvx {

std::string DescribeLink(const CommSettings& s) {
  const ProtocolClient* client = FindProtocolClient(s.protocol);
  const std::string where = client ? client->linkName(s) : std::string("(no link)");
  const std::string unit = ", unit " + std::to_string(s.unitAddress);
  const std::string baud =
      s.serialPort ? std::to_string(s.serialPort->BaudRate()) : std::string(s.baudText);
  switch (s.protocol) {
    case ProtocolKind::ModbusTcp:
      return "Modbus TCP " + where + unit;
    case ProtocolKind::ModbusRtu:
      return "Modbus RTU " + where + " " + baud + unit;
    case ProtocolKind::Df1:
      return "A-B DF1 " + where + " " + baud + unit;
  }
  return where + unit;
}

}  // namespace kvx
