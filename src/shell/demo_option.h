#pragma once
// `kvx-comm --demo [MODEL[@FIRMWARE]]`: which simulated relay to start, and
// which argument (if any) still names a setting file to open.

#include <optional>
#include <string>
#include <vector>

namespace kvx {

struct DemoChoice {
  std::string model = "DRA";
  int firmware = 197;
};

struct StartArguments {
  std::optional<DemoChoice> demo;  // set when --demo was given
  std::string openFile;            // the first positional argument that is not the demo relay
  std::string error;               // a --demo value that names no relay
  bool help = false;               // -h or --help: print the usage and stop
};

// What `kvx-comm --help` prints.
std::string StartUsageText();

// `args` without the program name. The word after --demo is the relay when
// it names a known model (with "@firmware" in hundredths, 1..9999); a word of
// the form NAME@FIRMWARE (no '/' or '.') that names none is an error, as is
// "--demo=" with anything but a relay; any other word is left for the file.
StartArguments ParseStartArguments(const std::vector<std::string>& args);

}  // namespace kvx
