#pragma once
// Modbus RTU request frames (the unit, the request body of modbus_pdu.h, the
// CRC) and the tests of their replies, as pure functions over byte buffers
// (the client, the tests and the fuzz target share them). All 16-bit fields
// go high byte first; the CRC low byte first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "comm/comm_error.h"
#include "comm/modbus_pdu.h"

namespace kvx {

inline constexpr std::size_t kRtuFrameCapacity = 302;
inline constexpr std::size_t kRtuWriteReplyLength = 8;
inline constexpr std::size_t kRtuCoilReplyLength = 8;
inline constexpr std::size_t kRtuExceptionReplyLength = 5;

struct RtuFrame {
  std::array<std::uint8_t, kRtuFrameCapacity> bytes{};
  std::size_t size = 0;
  std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};

// Only the low 16 bits of `first` / `coil` go on the wire. Callers check the
// argument limits first (see modbus_rtu_client.h).
RtuFrame BuildRtuReadRequest(std::uint8_t unit, int first, int count);
RtuFrame BuildRtuWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words);
RtuFrame BuildRtuCoilRequest(std::uint8_t unit, int coil);

constexpr std::size_t RtuReadReplyLength(int count) {
  return 2 * static_cast<std::size_t>(count) + 5;
}

// Each check compares the reply with the request it answers, in one fixed
// order, and stops at the first fault: unit, exception, function, byte count,
// length, CRC, then the echo of a write (register or coil, then count or
// state). An exception reply counts only when it is whole and its CRC holds;
// it gives the exception as the error. A reply shorter than the bytes a check
// needs gives ReplyTooShort, so a check can be run on the first bytes of a
// reply to fail early on a definite fault.
//
// A read reply fills words[0..count-1] (words.size() >= count) when it passes.
CommError CheckRtuReadReply(std::span<const std::uint8_t> reply, std::uint8_t unit, int count,
                            std::span<std::uint16_t> words);
CommError CheckRtuWriteReply(std::span<const std::uint8_t> reply, std::uint8_t unit, int first,
                             int count);
CommError CheckRtuCoilReply(std::span<const std::uint8_t> reply, std::uint8_t unit, int coil);

// How long the reply whose first two bytes are `header` is: the exception
// reply's length when byte 1 has the exception bit, `expected` otherwise.
std::size_t RtuReplyLengthFor(std::span<const std::uint8_t> header, std::size_t expected);

}  // namespace kvx
