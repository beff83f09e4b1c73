#pragma once
// The link options every relay command shares (--rtu | --df1 | --tcp, --baud,
// --unit, --check and --source for DF1, --trace) and the link they open. Commands reach the relay
// through LinkSession::settings.

#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/frame_log.h"
#include "comm/comm_settings.h"
#include "comm/serial_port.h"
#include "comm/tcp_client.h"

namespace kvx::cli {

struct LinkOptions {
  std::string rtuPort;
  std::string df1Port;
  std::string tcpTarget;      // HOST[:PORT]
  std::string check = "crc";  // DF1 frame check: crc or bcc
  int source = 0;             // DF1 source node
  int baud = kDefaultBaudRate;
  int unit = 254;
  bool trace = false;
};

// Adds the link options to `app` (they may follow the command name).
void AddLinkOptions(CLI::App& app, LinkOptions& options);

struct LinkSession {
  std::unique_ptr<SerialPort> serialPort;
  std::unique_ptr<TcpClient> tcpClient;
  CommSettings settings;
  // Sees every frame of the port or client above (prints them with --trace).
  std::shared_ptr<FrameLog> frames;
};

// Builds the link from the options. Nothing is opened or connected yet (the
// first exchange does that). Returns an error message for options that do not
// name a usable link.
std::optional<std::string> OpenLink(const LinkOptions& options, LinkSession& session,
                                    std::ostream& traceStream);

// Splits "HOST[:PORT]" as ParseHostAndPort does (port kModbusTcpPort unless
// given); false for anything else.
bool ParseTcpTarget(const std::string& target, std::string& host, std::uint16_t& port);

}  // namespace kvx::cli
