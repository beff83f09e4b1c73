#include "setpoints/defaults_listing.h"

#include <algorithm>

#include "setpoints/number_text.h"

namespace kvx {
namespace {

constexpr std::string_view kDialogModels[] = {"DRB-50",   "DRA",      "FDX-50",
                                              "QRT-2600", "QRT-3600", "QRT-4700"};

}  // namespace

std::span<const std::string_view> DefaultsDialogModels() {
  return kDialogModels;
}

std::vector<DefinitionVersion> ListDefinitionVersions(const std::filesystem::path& folder,
                                                      const UnitModel& model) {
  std::vector<DefinitionVersion> out;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return out;
  for (const auto& entry : it) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= model.filePrefix.size() + 4 || !name.starts_with(model.filePrefix) ||
        !name.ends_with(".xml"))
      continue;
    const std::string number =
        name.substr(model.filePrefix.size(), name.size() - model.filePrefix.size() - 4);
    const auto n = ParseInteger(number);
    // Only the names the loader itself would build ("190", not "0190" or "+190").
    if (!n || *n < 0 || std::to_string(*n) != number) continue;
    if (!entry.is_regular_file(ec)) continue;
    out.push_back({static_cast<int>(*n), FormatFirmware(*n), entry.path()});
  }
  std::sort(out.begin(), out.end(), [](const DefinitionVersion& a, const DefinitionVersion& b) {
    return a.firmware > b.firmware;
  });
  return out;
}

}  // namespace kvx
