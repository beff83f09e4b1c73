#include "monitor/command_list.h"

#include <array>

#include "comm/register_access_report.h"
#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr std::array<DeviceCommand, 19> kCommands{{
    {0, "Stop", "stop", "Stop"},
    {1, "Start1", "start1", "Start 1"},
    {2, "Start2", "start2", "Start 2"},
    {3, "Reset Trips", "reset-trips", "Reset"},
    {4, "Set Real-Time Clock", "set-clock", "Set Real-Time Clock"},
    {5, "Clear Data-Logging Records", "clear-events", "Clear Event Records"},
    {6, "Clear Trip Counters", "clear-trip-counters", "Clear Trip Counters"},
    {7, "Not Used", "clear-energy-totals", "Clear Energy Totals"},
    {8, "Clear Running Hours", "clear-running-hours", "Clear Running Hours"},
    {9, "Emergency Thermal Reset", "emergency-i2t-reset", "Emergency I2t Reset"},
    {10, "Select Local Control", "select-local", "Select Local Control"},
    {11, "De-select Local Control", "deselect-local", "De-select Local Control"},
    {12, "Re-enable Temperature Protection", "reenable-temperature",
     "Re-enable Temperature Protection"},
    {13, "Remote/Network Trip Set", "net-trip-set", "Remote/Net Trip Set"},
    {14, "Remote/Network Trip Reset", "net-trip-clear", "Remote/Net Trip Clear"},
    {15, "Remote/Network Alarm Set", "net-alarm-set", "Remote/Net Alarm Set"},
    {16, "Remote/Network Alarm Reset", "net-alarm-clear", "Remote/Net Alarm Clear"},
    {17, "Run1 Set", "run1-set", "Run1 Set"},
    {18, "Run1 Clear", "run1-clear", "Run1 Clear"},
}};

}  // namespace

std::span<const DeviceCommand> DeviceCommands() {
  return kCommands;
}

const DeviceCommand* FindDeviceCommand(int number) {
  if (number < 0 || number >= static_cast<int>(kCommands.size())) return nullptr;
  return &kCommands[static_cast<std::size_t>(number)];
}

std::optional<int> ParseDeviceCommand(std::string_view text) {
  for (const DeviceCommand& c : kCommands) {
    if (text == c.word) return c.number;
  }
  const auto n = ParseInteger(text);
  if (!n || *n < 0 || *n > 65535) return std::nullopt;
  return static_cast<int>(*n);
}

std::vector<int> CommandMenu(int family) {
  switch (family) {
    case 1:
      return {5, 6, 8, 7, 9, 10, 11, 12, kClockMenuItem};
    case 2:
      return {5, 6, 8, 9, 12, kClockMenuItem, 13, 14, 15, 16, 17, 18};
    case 3:
      return {5, 6, 8, 9, kClockMenuItem, 13, 14, 15, 16, 17, 18};
    default:
      return {};
  }
}

bool SendDeviceCommand(CommSettings& settings, int number, CommFailure& why) {
  AccessReport report = SendCommandReport(settings, number);
  why = FailureOf(report);
  return report.ok;
}

}  // namespace kvx
