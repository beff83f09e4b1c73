#pragma once
// `kvx-comm --demo [MODEL[@FIRMWARE]]`: which simulated relay to start, and
// which argument (if any) still names a setting file to open.

#include <optional>
#include <string>
#include <vector>

#include "shell/comm_options.h"

namespace kvx {

struct DemoChoice {
  std::string model = "DRA";
  int firmware = 197;
};

struct StartArguments {
  std::optional<DemoChoice> demo;  // set when --demo was given
  std::string openFile;            // the first positional argument that is not the demo relay
  // --tcp HOST[:PORT], --rtu DEVICE or --df1 DEVICE (with --unit, --baud,
  // --check, --source as kvx-cli takes them): connect at start.
  std::optional<CommOptions> link;
  std::string error;  // a --demo value that names no relay, a link option that does not parse
  bool help = false;  // -h or --help: print the usage and stop
};

// What `kvx-comm --help` prints.
std::string StartUsageText();

// `args` without the program name. The word after --demo is the relay when
// it names a known model (with "@firmware" in hundredths, 1..9999); a word of
// the form NAME@FIRMWARE (no '/' or '.') that names none is an error, as is
// "--demo=" with anything but a relay; any other word is left for the file.
// The link options take their value as the next word or after '='; exactly
// one link may be named, not beside --demo, and --unit, --baud, --check and
// --source need one.
StartArguments ParseStartArguments(const std::vector<std::string>& args);

}  // namespace kvx
