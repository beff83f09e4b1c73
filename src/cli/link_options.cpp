#include "cli/link_options.h"

#include "comm/host_port.h"
#include "comm/modbus_limits.h"

namespace kvx::cli {

void AddLinkOptions(CLI::App& app, LinkOptions& options) {
  auto* rtu = app.add_option("--rtu", options.rtuPort, "Modbus RTU over serial port PORT")
                  ->option_text("PORT");
  auto* tcp = app.add_option("--tcp", options.tcpTarget,
                             "Modbus TCP to HOST (IPv4), port " + std::to_string(kModbusTcpPort) +
                                 " unless given")
                  ->option_text("HOST[:PORT]");
  rtu->excludes(tcp);
  tcp->excludes(rtu);
  app.add_option("--baud", options.baud, "Baud rate of the serial port")
      ->check(CLI::IsMember({9600, 19200, 38400}))
      ->capture_default_str();
  app.add_option("--unit", options.unit, "Unit address of the relay")
      ->check(CLI::Range(1, 254))
      ->capture_default_str();
  app.add_flag("--trace", options.trace, "Print every frame sent and received on stderr");
}

bool ParseTcpTarget(const std::string& target, std::string& host, std::uint16_t& port) {
  const std::optional<HostAndPort> address = ParseHostAndPort(target);
  if (!address) return false;
  host = address->host;
  port = static_cast<std::uint16_t>(address->port);
  return true;
}

std::optional<std::string> OpenLink(const LinkOptions& options, LinkSession& session,
                                    std::ostream& traceStream) {
  if (options.rtuPort.empty() == options.tcpTarget.empty()) {
    return "name the link: --rtu PORT or --tcp HOST[:PORT]";
  }
  if (!UnitAddressValid(options.unit)) return "--unit must be 1..254";
  const ProtocolKind protocol =
      options.rtuPort.empty() ? ProtocolKind::ModbusTcp : ProtocolKind::ModbusRtu;
  session.frames = std::make_shared<FrameLog>(protocol, options.trace ? &traceStream : nullptr);
  const FrameTraceFn trace = [frames = session.frames](FrameDirection direction,
                                                       std::span<const std::uint8_t> bytes) {
    frames->Frame(direction, bytes);
  };
  CommSettings& s = session.settings;
  s.unitAddress = options.unit;
  s.baudText = std::to_string(options.baud);
  if (!options.rtuPort.empty()) {
    session.serialPort = MakeSerialPort();
    session.serialPort->SetPortName(options.rtuPort);
    if (!session.serialPort->SetBaudRate(options.baud)) {
      return "--baud must be 9600, 19200 or 38400";
    }
    session.serialPort->SetFrameTrace(trace);
    s.serialPort = session.serialPort.get();
    s.protocol = ProtocolKind::ModbusRtu;
  } else {
    std::string host;
    std::uint16_t port = kModbusTcpPort;
    if (!ParseTcpTarget(options.tcpTarget, host, port)) {
      return "--tcp needs an IPv4 HOST or HOST:PORT with a port 1..65535";
    }
    session.tcpClient = MakeTcpClient();
    session.tcpClient->SetRemoteHost(host);
    session.tcpClient->SetRemotePort(port);
    session.tcpClient->SetFrameTrace(trace);
    s.tcpClient = session.tcpClient.get();
    s.protocol = ProtocolKind::ModbusTcp;
  }
  return std::nullopt;
}

}  // namespace kvx::cli
