#include "sim/sim_models.h"

#include <algorithm>
#include <system_error>

namespace kvx::sim {
namespace {

int RoundDownToTen(int n) {
  return n - (((n % 10) + 10) % 10);
}

}  // namespace

int DefinitionFileNumber(const SimModel& model, int firmware) {
  switch (model.code) {
    case 201:
      return firmware <= 190 ? firmware : RoundDownToTen(firmware);
    case 301:
    case 302:
      return RoundDownToTen(std::max(firmware, 100));
    default:
      return RoundDownToTen(firmware);
  }
}

std::filesystem::path DefinitionFilePath(const std::filesystem::path& folder, const SimModel& model,
                                         int number) {
  return folder / (std::string(model.filePrefix) + std::to_string(number) + ".xml");
}

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
