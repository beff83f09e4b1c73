#include "shell/preferences.h"

#include <algorithm>

#include <charconv>
#include <string>

namespace kvx {

std::optional<int> ParseIntegerText(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int value = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::pair<std::string, std::string>> PreferencesToValues(const Preferences& prefs) {
  return {
      {"Language", prefs.language},
      {"DatalogName", prefs.datalogName},
      {"Maximized", prefs.maximized ? "1" : "0"},
      {"Top", std::to_string(prefs.top)},
      {"Left", std::to_string(prefs.left)},
      {"Height", std::to_string(prefs.height)},
      {"Width", std::to_string(prefs.width)},
      {"Editbox", prefs.editboxColor},
      {"Fixedbox", prefs.fixedboxColor},
      {"Background", prefs.backgroundColor},
      {"Form", prefs.formColor},
  };
}

Preferences PreferencesFromValues(
    const std::function<std::optional<std::string>(const std::string& name)>& lookup) {
  Preferences prefs;
  auto text = [&](const char* name, std::string& field) {
    if (auto v = lookup(name)) field = *v;
  };
  auto integer = [&](const char* name, int& field) {
    if (auto v = lookup(name)) {
      if (auto n = ParseIntegerText(*v)) field = *n;
    }
  };
  text("Language", prefs.language);
  text("DatalogName", prefs.datalogName);
  int maximized = prefs.maximized ? 1 : 0;
  integer("Maximized", maximized);
  prefs.maximized = maximized != 0;
  integer("Top", prefs.top);
  integer("Left", prefs.left);
  integer("Height", prefs.height);
  integer("Width", prefs.width);
  text("Editbox", prefs.editboxColor);
  text("Fixedbox", prefs.fixedboxColor);
  text("Background", prefs.backgroundColor);
  text("Form", prefs.formColor);
  return prefs;
}

void StoreWindowPlacement(Preferences& prefs, bool maximized, int top, int left, int height,
                          int width) {
  prefs.top = top;
  prefs.left = left;
  prefs.maximized = maximized;
  if (!maximized) {
    prefs.height = height;
    prefs.width = width;
  }
}

void NoteRecentFile(Preferences& prefs, const std::string& path) {
  if (path.empty()) return;
  auto& files = prefs.recentFiles;
  files.erase(std::remove(files.begin(), files.end(), path), files.end());
  files.insert(files.begin(), path);
  if (files.size() > kRecentFileCount) files.resize(kRecentFileCount);
}

}  // namespace kvx
