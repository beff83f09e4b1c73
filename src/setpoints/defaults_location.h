#pragma once
// Where the definition files are looked for.

#include <filesystem>

namespace kvx {

// The folder of the running program (from /proc/self/exe); empty if unknown.
std::filesystem::path ProgramFolder();

// The Defaults folder: `overrideFolder` when given; else "Defaults" beside the
// program (the build tree and a relocatable copy); else the installed
// "../share/kvx-comm/Defaults" relative to the program; else "Defaults" beside
// the program, so that a failed load names the expected place.
std::filesystem::path FindDefaultsFolder(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& overrideFolder = {});

}  // namespace kvx
