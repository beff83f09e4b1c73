#pragma once
// The user's preferences: window placement, data log name and the four
// interface colours, kept between runs as eleven string values.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx {

struct Preferences {
  std::string language = "English";
  std::string datalogName = "Unit.csv";
  bool maximized = false;
  int top = 0;
  int left = 0;
  int height = 0;  // 0: the window keeps its minimum height
  int width = 0;   // 0: the window keeps its minimum width
  std::string editboxColor = "clWhite";
  std::string fixedboxColor = "clMoneyGreen";
  std::string backgroundColor = "clSilver";
  std::string formColor = "clMedGray";
  // The setpoint files used last, newest first (kept apart from the eleven
  // values above).
  std::vector<std::string> recentFiles;
};

inline constexpr std::size_t kRecentFileCount = 6;

// Puts `path` first in the recent files: once, at most kRecentFileCount kept.
void NoteRecentFile(Preferences& prefs, const std::string& path);

// Value names with their texts, in storage order.
std::vector<std::pair<std::string, std::string>> PreferencesToValues(const Preferences& prefs);

// Builds the record from stored texts. `lookup` returns the stored text of a
// value name, or nothing when it is missing; missing values and integers that
// do not read as integers take their defaults.
Preferences PreferencesFromValues(
    const std::function<std::optional<std::string>(const std::string& name)>& lookup);

// A decimal integer with optional sign and surrounding blanks; nothing otherwise.
std::optional<int> ParseIntegerText(std::string_view text);

// Copies the window placement into the record at close. A maximised window
// keeps the size it had before, so that un-maximising next run restores it.
void StoreWindowPlacement(Preferences& prefs, bool maximized, int top, int left, int height,
                          int width);

}  // namespace kvx
