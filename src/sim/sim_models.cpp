#include "sim/sim_models.h"

#include <system_error>
#include "session/definition_choice.h"
#include "setpoints/load_setting_file.h"

namespace kvx::sim {
std::filesystem::path FindDefinitionFile(const std::filesystem::path& folder, const SimModel& model,
                                         int firmware) {
  std::error_code ec;
  auto path = DefinitionFilePath(folder, model, DefinitionFileNumber(model, firmware));
  if (std::filesystem::is_regular_file(path, ec)) return path;
  for (int g = firmware - 1;; --g) {
    path = DefinitionFilePath(folder, model, DefinitionFileNumber(model, g));
    if (std::filesystem::is_regular_file(path, ec)) return path;
    if (g <= 99) break;
  }
  return {};
}

int EventRingSize(int family) {
  return family == 1 ? 64 : 100;
}

}  // namespace kvx::sim
