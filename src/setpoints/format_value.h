#pragma once
// Value text -> display text. The one place that turns what is stored, read
// and saved into what the user sees.

#include <string>
#include <string_view>

namespace kvx {

// The display text of `valueText` for a setting of type `typeCode`. Never
// fails: texts that do not fit the form show "ERROR" or "Over Range".
std::string FormatValue(int typeCode, std::string_view valueText);

}  // namespace kvx
