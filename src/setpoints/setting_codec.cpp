#include "setpoints/setting_codec.h"

#include <bit>
#include <cmath>
#include <limits>

#include "setpoints/number_text.h"
#include "setpoints/text_encoding.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

std::uint32_t Pair(std::span<const std::uint16_t> w) {
  return static_cast<std::uint32_t>(w[0]) | (static_cast<std::uint32_t>(w[1]) << 16);
}

void PutPair(EncodedSetting& e, std::uint32_t v) {
  e.words[0] = static_cast<std::uint16_t>(v & 0xFFFF);
  e.words[1] = static_cast<std::uint16_t>(v >> 16);
  e.count = 2;
}

std::string DecodeText(std::span<const std::uint16_t> w) {
  std::string bytes;
  for (int i = 0; i < 10; ++i) {
    const char hi = static_cast<char>(w[i] >> 8);
    const char lo = static_cast<char>(w[i] & 0xFF);
    if (hi == 0) break;
    bytes += hi;
    if (lo == 0) break;
    bytes += lo;
  }
  return Latin1ToUtf8(bytes);
}

}  // namespace

std::string DecodeSetting(int typeCode, std::span<const std::uint16_t> words) {
  const TypeCodeInfo info = DescribeTypeCode(typeCode);
  if (info.read == ReadForm::None || words.size() < static_cast<std::size_t>(info.registers))
    return "ERROR";
  switch (info.read) {
    case ReadForm::Float:
      return FormatFixed(std::bit_cast<float>(Pair(words)), 2);
    case ReadForm::Int32:
      return std::to_string(static_cast<std::int32_t>(Pair(words)));
    case ReadForm::Unsigned:
      return std::to_string(words[0]);
    case ReadForm::Text:
      return DecodeText(words);
    case ReadForm::Date:
      return std::to_string(words[0] & 0xFF) + "/" + std::to_string(words[0] >> 8) + "/" +
             std::to_string(words[1]);
    case ReadForm::None:
      break;
  }
  return "ERROR";
}

EncodedSetting EncodeSetting(int typeCode, std::string_view valueText) {
  const TypeCodeInfo info = DescribeTypeCode(typeCode);
  EncodedSetting e;
  if (info.write == WriteForm::None) return e;
  e.kind = EncodedSetting::Kind::Words;
  if (info.write == WriteForm::Text) {
    // Twenty characters, one byte each, zero-padded, first character high.
    std::string bytes = Utf8ToLatin1(Utf8Prefix(valueText, 20));
    bytes.resize(20, '\0');
    for (int i = 0; i < 10; ++i) {
      e.words[i] = static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[2 * i]) << 8) |
                                              static_cast<unsigned char>(bytes[2 * i + 1]));
    }
    e.count = 10;
    return e;
  }
  const auto v = ParseNumber(valueText);
  if (!v) return {EncodedSetting::Kind::Invalid, 0, {}};
  switch (info.write) {
    case WriteForm::Float:
      if (std::fabs(*v) > std::numeric_limits<float>::max())
        return {EncodedSetting::Kind::Invalid, 0, {}};
      PutPair(e, std::bit_cast<std::uint32_t>(static_cast<float>(*v)));
      return e;
    case WriteForm::Int32: {
      const double t = std::trunc(*v);
      if (t < std::numeric_limits<std::int32_t>::min() ||
          t > std::numeric_limits<std::int32_t>::max())
        return {EncodedSetting::Kind::Invalid, 0, {}};
      PutPair(e, static_cast<std::uint32_t>(static_cast<std::int32_t>(t)));
      return e;
    }
    case WriteForm::Unsigned: {
      // Halves away from zero; only the low 16 bits reach the register.
      if (std::fabs(*v) > 1e15) return {EncodedSetting::Kind::Invalid, 0, {}};
      const long long r = std::llround(*v);
      e.words[0] = static_cast<std::uint16_t>(static_cast<unsigned long long>(r) & 0xFFFF);
      e.count = 1;
      return e;
    }
    case WriteForm::None:
    case WriteForm::Text:
      break;
  }
  return e;
}

}  // namespace kvx
