#include "sim/control_channel.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace kvx::sim {
namespace {

using Args = std::vector<std::string_view>;

std::optional<long> Integer(std::string_view text, long low, long high) {
  long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) {
    return std::nullopt;
  }
  return v;
}

std::optional<double> Number(std::string_view text) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) {
    return std::nullopt;
  }
  return v;
}

std::optional<bool> OnOff(std::string_view text) {
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

struct Command {
  std::string_view name;
  std::string_view args;  // as the help shows them; their count is checked
  std::string_view help;
  // Returns the error text, or nothing when done.
  std::optional<std::string> (*run)(RelaySimulation& sim, const Args& args);
};

using Result = std::optional<std::string>;

Result Done() {
  return std::nullopt;
}

Result Bad(std::string_view what, std::string_view text) {
  return std::string(what) + " \"" + std::string(text) + "\"";
}

constexpr Command kCommands[] = {
    {"trip", "CODE", "raise a trip with cause CODE (0..255); stops the motor",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto code = Integer(a[0], 0, 255);
       if (!code) return Bad("not a cause code:", a[0]);
       if (!sim.Trip(static_cast<int>(*code))) return std::string("a trip is already active");
       return Done();
     }},
    {"alarm", "CODE", "raise an alarm with cause CODE (0..255)",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto code = Integer(a[0], 0, 255);
       if (!code) return Bad("not a cause code:", a[0]);
       sim.Alarm(static_cast<int>(*code));
       return Done();
     }},
    {"clear", "", "end every trip and alarm",
     [](RelaySimulation& sim, const Args&) -> Result {
       sim.ClearTrips();
       return Done();
     }},
    {"firmware", "N", "report firmware N (hundredths) in register 1",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto n = Integer(a[0], 0, 65535);
       if (!n) return Bad("not a firmware number:", a[0]);
       sim.Relay().SetFirmware(static_cast<int>(*n));
       return Done();
     }},
    {"model-code", "N", "report model code N in register 0",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto n = Integer(a[0], 0, 65535);
       if (!n) return Bad("not a model code:", a[0]);
       sim.Relay().SetModelCode(static_cast<int>(*n));
       return Done();
     }},
    {"silent", "on|off", "stop or go back to answering on every link",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto on = OnOff(a[0]);
       if (!on) return Bad("want on or off, not", a[0]);
       sim.Relay().SetSilent(*on);
       return Done();
     }},
    {"temperature", "CHANNEL VALUE",
     "fix a temperature channel (1..24 module channels, 25..32 local sensors) at VALUE; "
     "-100 unused, -90 open, -80 short, -70 no data",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto channel = Integer(a[0], 1, 32);
       if (!channel) return Bad("not a channel (1..32):", a[0]);
       const auto value = Number(a[1]);
       if (!value) return Bad("not a number:", a[1]);
       sim.Relay().SetTemperature(static_cast<int>(*channel), *value);
       return Done();
     }},
    {"modules", "N", "report N temperature-sensor modules (0..3) in register 390",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto n = Integer(a[0], 0, 3);
       if (!n) return Bad("not a module count (0..3):", a[0]);
       sim.Relay().SetRtdModules(static_cast<int>(*n));
       return Done();
     }},
    {"current", "AMPS|auto", "hold the phase currents at AMPS, or let the plant decide again",
     [](RelaySimulation& sim, const Args& a) -> Result {
       if (a[0] == "auto") {
         sim.Relay().SetCurrent(std::nullopt);
         return Done();
       }
       const auto amps = Number(a[0]);
       if (!amps || *amps < 0) return Bad("not a current:", a[0]);
       sim.Relay().SetCurrent(*amps);
       return Done();
     }},
    {"steady", "on|off", "freeze the metering at exact values (no ripple, totals stand still)",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto on = OnOff(a[0]);
       if (!on) return Bad("want on or off, not", a[0]);
       sim.Relay().SetSteady(*on);
       return Done();
     }},
    {"command", "CODE", "run device command CODE as if it came over the link",
     [](RelaySimulation& sim, const Args& a) -> Result {
       const auto code = Integer(a[0], 0, 65535);
       if (!code || !sim.Relay().Command(static_cast<int>(*code))) {
         return Bad("not a device command:", a[0]);
       }
       return Done();
     }},
};

std::size_t ArgCount(std::string_view args) {
  if (args.empty()) return 0;
  std::size_t n = 1;
  for (char c : args) n += c == ' ';
  return n;
}

Args Split(std::string_view line) {
  Args words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
    if (j > i) words.push_back(line.substr(i, j - i));
    i = j;
  }
  return words;
}

}  // namespace

std::string RunControlCommand(RelaySimulation& simulation, std::string_view line) {
  Args words = Split(line);
  if (words.empty() || words[0].front() == '#') return {};
  if (words[0] == "help") return "ok\n" + ControlCommandHelp();
  for (const Command& c : kCommands) {
    if (c.name != words[0]) continue;
    const Args args(words.begin() + 1, words.end());
    if (args.size() != ArgCount(c.args)) {
      return "error: usage: " + std::string(c.name) + (c.args.empty() ? "" : " ") +
             std::string(c.args);
    }
    if (Result error = c.run(simulation, args)) return "error: " + *error;
    return "ok";
  }
  return "error: unknown command \"" + std::string(words[0]) + "\" (try: help)";
}

std::string ControlCommandHelp() {
  std::string out;
  for (const Command& c : kCommands) {
    std::string usage = std::string(c.name) + (c.args.empty() ? "" : " ") + std::string(c.args);
    usage.resize(std::max<std::size_t>(usage.size() + 2, 22), ' ');
    out += "  " + usage + std::string(c.help) + "\n";
  }
  return out;
}

void ServeControlChannel(RelaySimulation& simulation, int fd, std::FILE* answers,
                         const std::atomic<bool>& stop) {
  std::string pending;
  char buffer[512];
  while (!stop.load()) {
    pollfd in{fd, POLLIN, 0};
    const int ready = poll(&in, 1, 100);
    if (ready < 0 && errno != EINTR) return;
    if (ready <= 0) continue;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return;
    pending.append(buffer, static_cast<std::size_t>(n));
    // A line longer than any command is dropped rather than kept growing.
    if (pending.size() > 4096 && pending.find('\n') == std::string::npos) pending.clear();
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string answer = RunControlCommand(simulation, pending.substr(0, end));
      pending.erase(0, end + 1);
      if (answer.empty()) continue;
      std::fputs((answer + "\n").c_str(), answers);
      std::fflush(answers);
    }
  }
}

}  // namespace kvx::sim
