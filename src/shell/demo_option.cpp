#include "shell/demo_option.h"

#include <charconv>

#include "comm/host_port.h"
#include "comm/modbus_limits.h"
#include "setpoints/unit_model.h"

namespace kvx {
namespace {

std::optional<DemoChoice> ParseDemoRelay(const std::string& text) {
  DemoChoice choice;
  const std::size_t at = text.find('@');
  choice.model = text.substr(0, at);
  if (!FindUnitModelByName(choice.model)) return std::nullopt;
  if (at != std::string::npos) {
    const std::string digits = text.substr(at + 1);
    int firmware = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), firmware);
    if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty() ||
        firmware < 1 || firmware > 9999) {
      return std::nullopt;
    }
    choice.firmware = firmware;
  }
  return choice;
}

// A word meant as MODEL@FIRMWARE rather than a file name.
bool LooksLikeRelay(const std::string& text) {
  return text.find('@') != std::string::npos && text.find('/') == std::string::npos &&
         text.find('\\') == std::string::npos && text.find('.') == std::string::npos;
}

std::string NoRelayError(const std::string& text) {
  std::string known;
  for (const UnitModel& m : UnitModels()) {
    if (!known.empty()) known += ", ";
    known += m.name;
  }
  return "--demo: \"" + text +
         "\" names no relay (MODEL[@FIRMWARE], FIRMWARE 1..9999; models: " + known + ")";
}

std::optional<int> WholeNumber(const std::string& text) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The link options as kvx-cli takes them. `name` is the option without its
// value; the value is filled in `link`. An error text, or empty.
std::string TakeLinkOption(const std::string& name, const std::string& value, CommOptions& link,
                           int& links) {
  if (name == "--tcp" || name == "--rtu" || name == "--df1") {
    ++links;
    if (name == "--tcp") {
      const std::optional<HostAndPort> address = ParseHostAndPort(value);
      if (!address) return "--tcp needs an IPv4 HOST or HOST:PORT with a port 1..65535";
      link.protocol = ProtocolKind::ModbusTcp;
      link.remoteHost = address->host;
      link.remotePort = std::to_string(address->port);
    } else {
      if (value.empty()) return name + " needs a DEVICE";
      link.protocol = name == "--rtu" ? ProtocolKind::ModbusRtu : ProtocolKind::Df1;
      link.portName = value;
    }
    return {};
  }
  const std::optional<int> number = WholeNumber(value);
  if (name == "--unit") {
    if (!number || !UnitAddressValid(*number)) return "--unit must be 1..254";
    link.unitAddress = *number;
  } else if (name == "--baud") {
    if (!number || (*number != 9600 && *number != 19200 && *number != 38400)) {
      return "--baud must be 9600, 19200 or 38400";
    }
    link.baudRate = *number;
    link.baudText = value;
  } else if (name == "--source") {
    if (!number || *number < 0 || *number > 254) return "--source must be 0..254";
    link.sourceAddress = *number;
  } else if (name == "--check") {
    if (value != "crc" && value != "bcc") return "--check must be crc or bcc";
    link.errorCheck = value == "bcc" ? 1 : 0;
  }
  return {};
}

bool IsLinkOption(const std::string& name) {
  for (const char* known : {"--tcp", "--rtu", "--df1", "--unit", "--baud", "--source", "--check"}) {
    if (name == known) return true;
  }
  return false;
}

}  // namespace

std::string StartUsageText() {
  return "Usage: kvx-comm [FILE] [--demo [MODEL[@FIRMWARE]]]\n"
         "       kvx-comm [FILE] (--tcp HOST[:PORT] | --rtu DEVICE | --df1 DEVICE)\n"
         "                [--unit N] [--baud RATE] [--check crc|bcc] [--source N]\n"
         "Configure protective relays: the setpoint, metering and events window.\n"
         "\n"
         "  FILE                      a setpoint file (.cds or .xml) to open at start\n"
         "  --demo [MODEL[@FIRMWARE]] start a simulated relay inside the program and\n"
         "                            connect to it (default DRA@197; FIRMWARE in\n"
         "                            hundredths, 190 is 1.90)\n"
         "  --tcp HOST[:PORT]         connect at start to a relay over Modbus TCP\n"
         "                            (port 502 unless given)\n"
         "  --rtu DEVICE              ... over Modbus RTU on the serial port DEVICE\n"
         "  --df1 DEVICE              ... over A-B DF1 half-duplex on DEVICE\n"
         "  --unit N                  the relay's unit address, 1..254 (default 254)\n"
         "  --baud RATE               9600, 19200 or 38400 (default 9600)\n"
         "  --check crc|bcc           DF1 frame check (default crc)\n"
         "  --source N                DF1 source node, 0..254 (default 0)\n"
         "  -h, --help                print this help and exit\n"
         "  --version                 print the version and exit\n";
}

StartArguments ParseStartArguments(const std::vector<std::string>& args) {
  StartArguments result;
  CommOptions link;
  link.cancelled = false;
  int links = 0;
  bool linkSettings = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const std::size_t equals = a.find('=');
    const std::string name = a.substr(0, equals);
    if (IsLinkOption(name)) {
      std::string value;
      if (equals != std::string::npos) {
        value = a.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        result.error = name + " needs a value";
        return result;
      }
      result.error = TakeLinkOption(name, value, link, links);
      if (!result.error.empty()) return result;
      if (name != "--tcp" && name != "--rtu" && name != "--df1") linkSettings = true;
      continue;
    }
    if (a == "-h" || a == "--help") {
      result.help = true;
      return result;
    }
    if (a == "--demo") {
      result.demo = DemoChoice{};
      if (i + 1 < args.size()) {
        if (auto relay = ParseDemoRelay(args[i + 1])) {
          result.demo = *relay;
          ++i;
        } else if (LooksLikeRelay(args[i + 1])) {
          result.error = NoRelayError(args[i + 1]);
          return result;
        }
      }
    } else if (a.rfind("--demo=", 0) == 0) {
      auto relay = ParseDemoRelay(a.substr(7));
      if (!relay) {
        result.error = NoRelayError(a.substr(7));
        return result;
      }
      result.demo = *relay;
    } else if (a.rfind("--", 0) != 0 && result.openFile.empty()) {
      result.openFile = a;
    }
  }
  if (links > 1) {
    result.error = "name one link: --tcp HOST[:PORT], --rtu DEVICE or --df1 DEVICE";
  } else if (links == 1 && result.demo) {
    result.error = "--demo starts its own relay: it takes no --tcp, --rtu or --df1";
  } else if (links == 0 && linkSettings) {
    result.error = "--unit, --baud, --check and --source go with --tcp, --rtu or --df1";
  } else if (links == 1) {
    result.link = link;
  }
  return result;
}

}  // namespace kvx
