#pragma once
// Loads a definition file or a setpoint file, together with the definition
// file it names, into a SettingStore.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "setpoints/setting_store.h"
#include "setpoints/unit_model.h"

namespace kvx {

// Progress of a long pass: caption ("Loading Default Settings", "Loading
// Settings", "Saving File") and position (the register being handled, 0..1500).
using SettingProgress = std::function<void(std::string_view caption, int position)>;

struct LoadResult {
  bool ok = false;
  std::string error;  // why the load failed, for logs and the command line
  explicit operator bool() const { return ok; }
};

// defaultsFolder / (filePrefix + firmware + ".xml"), e.g. dra_defaults_190.xml.
std::filesystem::path DefinitionFilePath(const std::filesystem::path& defaultsFolder,
                                         const UnitModel& model, int firmware);

// Reads the Unit and Firmware configuration values of a setting file without
// loading it (Firmware 0 and an empty unit when the rows are missing).
struct SettingFileIdentity {
  bool ok = false;
  std::string unitName;
  int firmware = 0;
  std::string error;
};
SettingFileIdentity ReadSettingFileIdentity(const std::filesystem::path& path);

// The group, definition and value passes. The store is replaced only by a
// complete load: after a failure it holds exactly what it held before.
LoadResult LoadSettingFile(SettingStore& store, const std::filesystem::path& path,
                           const std::filesystem::path& defaultsFolder,
                           const SettingProgress& progress = {});

}  // namespace kvx
