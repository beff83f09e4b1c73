#pragma once
// The Select Defaults File listing: which models are offered and which
// definition files of a model are present, as plain data for the dialog.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "setpoints/unit_model.h"

namespace kvx {

// The dialog's model list, in its order: DRB-50, DRA, FDX-50, QRT-2600,
// QRT-3600, QRT-4700.
std::span<const std::string_view> DefaultsDialogModels();

struct DefinitionVersion {
  int firmware = 0;            // hundredths, from the file name
  std::string text;            // as listed: 190 -> "1.90"
  std::filesystem::path path;  // the file the entry was made from
};

// The definition files of `model` in `folder` (prefix + whole number +
// ".xml", exactly as the loader names them), newest firmware first. Names
// that do not fit the pattern are left out. An empty list when the folder is
// missing.
std::vector<DefinitionVersion> ListDefinitionVersions(const std::filesystem::path& folder,
                                                      const UnitModel& model);

}  // namespace kvx
