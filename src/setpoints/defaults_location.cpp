#include "setpoints/defaults_location.h"

#ifndef KVX_DATA_INSTALL_DIR
#define KVX_DATA_INSTALL_DIR "share/kvx-comm"
#endif

namespace kvx {

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

std::filesystem::path FindDataFolder(const std::filesystem::path& programFolder,
                                     const std::string& name) {
  std::error_code ec;
  const std::filesystem::path beside = programFolder / name;
  if (std::filesystem::is_directory(beside, ec)) return beside;
  const std::filesystem::path data(KVX_DATA_INSTALL_DIR);
  const std::filesystem::path installed =
      (data.is_absolute() ? data : programFolder / ".." / data) / name;
  if (std::filesystem::is_directory(installed, ec)) return installed.lexically_normal();
  return beside;
}

std::filesystem::path FindDefaultsFolder(const std::filesystem::path& programFolder,
                                         const std::filesystem::path& overrideFolder) {
  if (!overrideFolder.empty()) return overrideFolder;
  return FindDataFolder(programFolder, "Defaults");
}

}  // namespace kvx
