#pragma once
// The simulator's control channel: one text command a line, read from the
// simulator's standard input (or handed in by a test), acting on the running
// relay. Each command is one row of a table: its name, its arguments, one
// line of help and what it does.
//
//   trip 34            -> "ok"
//   temperature 3 -90  -> "ok"
//   frobnicate         -> "error: unknown command \"frobnicate\" (try: help)"

#include <atomic>
#include <cstdio>
#include <string>
#include <string_view>

#include "sim/relay_simulation.h"

namespace kvx::sim {

// Runs one command line; the answer starts with "ok" or "error: ".
// Empty lines and lines starting with '#' answer nothing (empty).
std::string RunControlCommand(RelaySimulation& simulation, std::string_view line);

// Reads command lines from `fd` and writes each answer on `answers`, until
// `stop` (looked at every 100 ms) or the end of the input; a program started
// without a terminal or pipe simply has no control channel.
void ServeControlChannel(RelaySimulation& simulation, int fd, std::FILE* answers,
                         const std::atomic<bool>& stop);

// One line per command: "  trip CODE          raise a trip with cause CODE".
std::string ControlCommandHelp();

}  // namespace kvx::sim
