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

}  // namespace

StartArguments ParseStartArguments(const std::vector<std::string>& args) {
  StartArguments result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--demo") {
      result.demo = DemoChoice{};
      if (i + 1 < args.size()) {
        if (auto relay = ParseDemoRelay(args[i + 1])) {
          result.demo = *relay;
          ++i;
        }
      }
    } else if (a.rfind("--demo=", 0) == 0) {
      auto relay = ParseDemoRelay(a.substr(7));
      if (!relay) {
        result.error = "--demo: \"" + a.substr(7) + "\" names no relay (MODEL[@FIRMWARE])";
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
