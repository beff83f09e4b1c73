#pragma once
// Register words <-> value texts for one setting, by its type code. Pure
// conversions: ReadSetting / WriteSetting add the link around them.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kvx {

// The value text of `words` (at least DescribeTypeCode(code).registers long)
// for a readable code; "ERROR" for a code that cannot be read.
std::string DecodeSetting(int typeCode, std::span<const std::uint16_t> words);

struct EncodedSetting {
  enum class Kind {
    Nothing,  // the code is not writable: nothing to send, counts as success
    Words,    // send words[0..count-1]
    Invalid,  // the text is not a number (or out of range) for a numeric code
  };
  Kind kind = Kind::Nothing;
  int count = 0;
  std::array<std::uint16_t, 10> words{};
};

EncodedSetting EncodeSetting(int typeCode, std::string_view valueText);

}  // namespace kvx
