#pragma once
// Where kvx-cli finds the relay's passwords. A command-line option is seen by
// every local user (ps, /proc), so the environment and a terminal prompt come
// first in the help; the option stays for compatibility.
//
// Order: the option when given, else the environment variable when set and
// not empty, else a prompt on the terminal without echo when stdin is one.

#include <optional>
#include <ostream>
#include <string>

namespace kvx::cli {

inline constexpr const char* kPasswordVariable = "KVX_PASSWORD";
inline constexpr const char* kNewPasswordVariable = "KVX_NEW_PASSWORD";

struct PasswordAnswer {
  std::optional<std::string> text;  // empty: no password could be had
  std::string problem;              // why not, for the message
};

// `option`: the option's value when it was given. `confirm`: ask twice on the
// terminal and take the answer only when both agree (a new password).
PasswordAnswer ResolvePassword(const std::optional<std::string>& option, const char* variable,
                               const std::string& prompt, bool confirm, std::ostream& err);

// Reads one line from the terminal on stdin with echo off, after `prompt` on
// `err`; the terminal's settings come back however the read ends (a signal
// included). Nothing when stdin is no terminal, at end of input, or when no
// line came within the time allowed.
std::optional<std::string> ReadHiddenLine(const std::string& prompt, std::ostream& err);

}  // namespace kvx::cli
