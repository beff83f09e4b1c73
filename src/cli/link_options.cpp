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
  auto* df1 = app.add_option("--df1", options.df1Port, "A-B DF1 half-duplex over serial port PORT")
                  ->option_text("PORT");
  rtu->excludes(tcp)->excludes(df1);
  tcp->excludes(rtu)->excludes(df1);
  df1->excludes(rtu)->excludes(tcp);
  app.add_option("--check", options.check, "DF1 frame check")
      ->check(CLI::IsMember({"crc", "bcc"}))
      ->capture_default_str();
  app.add_option("--source", options.source, "DF1 source node (this station)")
      ->check(CLI::Range(0, 254))
      ->capture_default_str();
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
  const int links =
      !options.rtuPort.empty() + !options.df1Port.empty() + !options.tcpTarget.empty();
  if (links != 1) return "name the link: --rtu PORT, --df1 PORT or --tcp HOST[:PORT]";
  if (!UnitAddressValid(options.unit)) return "--unit must be 1..254";
  if (options.source < 0 || options.source > 254) return "--source must be 0..254";
  if (options.check != "crc" && options.check != "bcc") return "--check must be crc or bcc";
  const ProtocolKind protocol = !options.rtuPort.empty()   ? ProtocolKind::ModbusRtu
                                : !options.df1Port.empty() ? ProtocolKind::Df1
                                                           : ProtocolKind::ModbusTcp;
  session.frames = std::make_shared<FrameLog>(protocol, options.trace ? &traceStream : nullptr);
  const FrameTraceFn trace = [frames = session.frames](FrameDirection direction,
                                                       std::span<const std::uint8_t> bytes) {
    frames->Frame(direction, bytes);
  };
  CommSettings& s = session.settings;
  s.unitAddress = options.unit;
  s.baudText = std::to_string(options.baud);
  s.sourceAddress = options.source;
  s.errorCheck = options.check == "bcc" ? 1 : 0;
  if (protocol != ProtocolKind::ModbusTcp) {
    session.serialPort = MakeSerialPort();
    session.serialPort->SetPortName(protocol == ProtocolKind::Df1 ? options.df1Port
                                                                  : options.rtuPort);
    if (!session.serialPort->SetBaudRate(options.baud)) {
      return "--baud must be 9600, 19200 or 38400";
    }
    session.serialPort->SetFrameTrace(trace);
    s.serialPort = session.serialPort.get();
    s.protocol = protocol;
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
