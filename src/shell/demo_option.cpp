#include "shell/demo_option.h"

#include <charconv>

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

}  // namespace

std::string StartUsageText() {
  return "Usage: kvx-comm [FILE] [--demo [MODEL[@FIRMWARE]]]\n"
         "Configure protective relays: the setpoint, metering and events window.\n"
         "\n"
         "  FILE                      a setpoint file (.cds or .xml) to open at start\n"
         "  --demo [MODEL[@FIRMWARE]] start a simulated relay inside the program and\n"
         "                            connect to it (default DRA@197; FIRMWARE in\n"
         "                            hundredths, 190 is 1.90)\n"
         "  -h, --help                print this help and exit\n"
         "  --version                 print the version and exit\n";
}

StartArguments ParseStartArguments(const std::vector<std::string>& args) {
  StartArguments result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
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
  return result;
}

}  // namespace kvx
