#pragma once
// The setting type catalogue: for each list type code, the names of its
// choices in stored-value order (line 0 is value 0). Compiled in, not read
// from the definition files.

#include <span>
#include <string>
#include <string_view>

namespace kvx {

// The list of `typeCode` as one text, lines separated by a single '\n' and no
// trailing newline. A code without a list yields "Error". Safe from any thread.
std::string OptionList(int typeCode);

// The same list as separate lines; an empty span for a code without a list.
// The views stay valid for the life of the program.
std::span<const std::string_view> OptionLines(int typeCode);

}  // namespace kvx
