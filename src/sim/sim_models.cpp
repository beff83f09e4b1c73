#include "sim/sim_models.h"

#include <algorithm>
#include <array>
#include <system_error>

namespace kvx::sim {
namespace {

constexpr std::array<SimModel, 6> kModels{{
    {201, "DRA", "dra_defaults_", 1},
    {301, "DRB-50", "drb_defaults_", 2},
    {302, "FDX-50", "fdx_defaults_", 3},
    {1201, "QRT-3600", "qrt3600_defaults_", 1},
    {1301, "QRT-2600", "qrt2600_defaults_", 2},
    {1302, "QRT-4700", "qrt4700_defaults_", 3},
}};

int RoundDownToTen(int n) {
  return n - (((n % 10) + 10) % 10);
}

}  // namespace

std::optional<SimModel> FindSimModel(std::string_view name) {
  for (const SimModel& m : kModels) {
    if (m.name == name) return m;
  }
  return std::nullopt;
}

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
