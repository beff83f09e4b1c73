#pragma once
// Where the definition files and the help pages are looked for.

#include <filesystem>
#include <string>

namespace kvx {

// The folder of the running program (from /proc/self/exe); empty if unknown.
std::filesystem::path ProgramFolder();

// The Defaults folder: `overrideFolder` when given; else "Defaults" beside the
// program (the build tree and a relocatable copy); else the installed
// "../share/kvx-comm/Defaults" relative to the program; else "Defaults" beside
// the program, so that a failed load names the expected place.
std::filesystem::path FindDefaultsFolder(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& overrideFolder = {});

// The same search for any data folder shipped with the programs ("Defaults",
// "help"): `name` beside the program, else the installed
// "../share/kvx-comm/<name>", else `name` beside the program.
std::filesystem::path FindDataFolder(const std::filesystem::path& programFolder,
                                     const std::string& name);

}  // namespace kvx
