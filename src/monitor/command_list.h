#pragma once
// The relay's device commands: number, the relay's own name, the word the
// command line takes, and the "Commands" menu of each family.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "comm/comm_error.h"
#include "comm/comm_settings.h"

namespace kvx {

struct DeviceCommand {
  int number;
  const char* relayName;  // as the relay's command list has it
  const char* word;       // kvx-cli's name for it
  const char* menuText;   // the window's menu item or button
};

inline constexpr int kCommandStop = 0;
inline constexpr int kCommandStart1 = 1;
inline constexpr int kCommandStart2 = 2;
inline constexpr int kCommandResetTrips = 3;
inline constexpr int kCommandSetClock = 4;
inline constexpr int kCommandClearEvents = 5;

// Every command, by number 0..18.
std::span<const DeviceCommand> DeviceCommands();
const DeviceCommand* FindDeviceCommand(int number);

// A command word ("reset-trips") or number ("3"); nothing for anything else.
std::optional<int> ParseDeviceCommand(std::string_view text);

// The family's "Commands" menu in order; kClockMenuItem stands for "Set
// Real-Time Clock", which opens the clock dialog instead of sending.
inline constexpr int kClockMenuItem = -1;
std::vector<int> CommandMenu(int family);

// Sends one command; false (with the link's reason) when no attempt got an
// acknowledgement. A relay may still ignore a command it acknowledged.
bool SendDeviceCommand(CommSettings& settings, int number, CommFailure& why);

}  // namespace kvx
