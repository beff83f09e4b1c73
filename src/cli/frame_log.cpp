#include "cli/frame_log.h"

#include <algorithm>
#include <vector>

#include "comm/relay_registers.h"

namespace kvx::cli {
namespace {

constexpr int kPasswordFirst = relay_reg::kPassword;
constexpr int kPasswordEnd = relay_reg::kPassword + relay_reg::kPasswordCount;

bool IsPasswordRegister(int reg) {
  return reg >= kPasswordFirst && reg < kPasswordEnd;
}

bool TouchesPassword(int first, int count) {
  return first < kPasswordEnd && first + count > kPasswordFirst;
}

int Word(std::span<const std::uint8_t> b, std::size_t at) {
  return (b[at] << 8) | b[at + 1];
}

// Marks the two data bytes of each password register among `count`
// registers from `first`, whose data start at byte `data`.
void MarkRegisters(std::vector<bool>& hidden, std::size_t data, int first, int count) {
  for (int i = 0; i < count; ++i) {
    if (!IsPasswordRegister(first + i)) continue;
    for (std::size_t k = 0; k < 2; ++k) {
      const std::size_t at = data + 2 * static_cast<std::size_t>(i) + k;
      if (at < hidden.size()) hidden[at] = true;
    }
  }
}

std::string Format(FrameDirection direction, std::span<const std::uint8_t> bytes,
                   const std::vector<bool>& hidden) {
  std::string line = FormatTraceLine(direction, bytes);
  // FormatTraceLine writes "TX: " / "RX: " and then three characters a byte.
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (hidden[i]) line.replace(4 + 3 * i, 2, "**");
  }
  return line;
}

}  // namespace

std::vector<bool> FrameLog::Inspect(FrameDirection direction, std::span<const std::uint8_t> bytes) {
  if (protocol_ == ProtocolKind::Df1) return df1_.Decode(direction, bytes).hidden;
  std::vector<bool> hidden = Hidden(direction, bytes);
  // An RTU frame's CRC would give away much of the four characters it covers.
  if (protocol_ == ProtocolKind::ModbusRtu && bytes.size() >= 2 &&
      std::find(hidden.begin(), hidden.end(), true) != hidden.end()) {
    hidden[bytes.size() - 1] = hidden[bytes.size() - 2] = true;
  }
  return hidden;
}

std::vector<bool> FrameLog::Hidden(FrameDirection direction, std::span<const std::uint8_t> bytes) {
  std::vector<bool> hidden(bytes.size(), false);
  const std::size_t pdu = PduOffset();
  if (direction == FrameDirection::Tx) {
    pending_.reset();
    if (bytes.size() < pdu + 5) return hidden;
    const int function = bytes[pdu];
    const int first = Word(bytes, pdu + 1);
    const int count = function == 6 ? 1 : Word(bytes, pdu + 3);
    pending_ = Request{function, first, count};
    if (function == 16 && bytes.size() >= pdu + 6) {
      MarkRegisters(hidden, pdu + 6, first, count);
    } else if (function == 6) {
      MarkRegisters(hidden, pdu + 3, first, 1);
    }
    return hidden;
  }
  if (!pending_) return hidden;
  const Request& request = *pending_;
  const std::size_t trailer = protocol_ == ProtocolKind::ModbusTcp ? 0 : 2;  // the RTU CRC
  const bool exception = bytes.size() == pdu + 2 + trailer && (bytes[pdu] & 0x80) != 0;
  if (exception && (request.function == 6 || request.function == 16)) {
    writeRefusals_[request.first] = bytes[pdu + 1];
  }
  const bool read = request.function == 3 || request.function == 4;
  // A read reply carries the registers, a single write's reply echoes its value.
  if ((read || request.function == 6) && !exception &&
      TouchesPassword(request.first, request.count)) {
    const std::size_t data = 2 * static_cast<std::size_t>(request.count);
    if (read && bytes.size() == pdu + 2 + data + trailer && bytes[pdu] == request.function &&
        bytes[pdu + 1] == data) {
      MarkRegisters(hidden, pdu + 2, request.first, request.count);
    } else if (!read && bytes.size() == pdu + 5 + trailer && bytes[pdu] == 6) {
      MarkRegisters(hidden, pdu + 3, request.first, 1);
    } else {
      // Not the reply's expected shape (garbage ahead of it, a cut reply):
      // where the password would sit cannot be told, so nothing is shown.
      hidden.assign(bytes.size(), true);
    }
  }
  return hidden;
}

void FrameLog::Frame(FrameDirection direction, std::span<const std::uint8_t> bytes) {
  const std::vector<bool> hidden = Inspect(direction, bytes);
  if (trace_) *trace_ << Format(direction, bytes, hidden) << '\n' << std::flush;
}

}  // namespace kvx::cli
