#pragma once
// What the main window shows of the working state, as plain data: the
// menus and pages that the online state switches (ConnectionView), and the
// texts of the status panels. The window renders it; tests read it.

#include <string>

#include "shell/connection_view.h"

namespace kvx {

enum class PanelColor { Normal, Good, Bad };  // black, green (008000), red (FF0000)

inline constexpr const char* kProgramName = "KVX-COMM";

struct SessionView {
  ConnectionView menus;                 // item visibility and the save caption
  std::string networkText = "OFFLINE";  // network_P
  PanelColor networkColor = PanelColor::Bad;
  std::string versionText;             // version_P: "Firmware Version: 1.97"
  std::string serialText;              // serial_P: "SN: 12345"
  std::string unitText;                // unit_P: the loaded unit name
  std::string timeText;                // time_P
  std::string statusTexts[3];          // first_P, second_P, third_P
  std::string caption = kProgramName;  // the main window's caption
  std::string writeErrorText;          // write_error_L of the setpoint page
  // Why the last exchange with the relay failed, in a person's words (the
  // network panel's tip beside "Failed to Connect" or "NO ANSWER"); empty
  // once one gets through again.
  std::string linkReason;
};

}  // namespace kvx
