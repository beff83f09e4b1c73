#include "comm/frame_trace.h"

namespace kvx {

std::string FormatFrameHex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) text.push_back(' ');
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

std::string FormatTraceLine(FrameDirection direction, std::span<const std::uint8_t> bytes) {
  std::string line = direction == FrameDirection::Tx ? "TX: " : "RX: ";
  line += bytes.empty() ? std::string("(nothing)") : FormatFrameHex(bytes);
  return line;
}

}  // namespace kvx
