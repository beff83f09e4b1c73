#pragma once
// Modbus TCP request frames (application header + request) and the test of a
// reply, as pure functions over byte buffers. The transaction identifier is
// always 0 and nothing in a reply is compared with the request: only its
// length decides.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "comm/comm_error.h"

namespace kvx {

inline constexpr std::size_t kTcpFrameCapacity = 13 + 2 * 123;
inline constexpr std::size_t kTcpWriteReplyLength = 12;
inline constexpr std::size_t kTcpExceptionReplyLength = 9;
inline constexpr int kTcpCommandRegister = 6;

struct TcpFrame {
  std::array<std::uint8_t, kTcpFrameCapacity> bytes{};
  std::size_t size = 0;
  std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};

// Only the low byte of a count goes on the wire.
TcpFrame BuildTcpReadRequest(std::uint8_t unit, int first, int count);
TcpFrame BuildTcpWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words);
// Writes `code` into holding register 6 (function 16).
TcpFrame BuildTcpCommandRequest(std::uint8_t unit, int code);

constexpr std::size_t TcpReadReplyLength(int count) {
  return 9 + 2 * static_cast<std::size_t>(count);
}

// None when `reply` is exactly `expected` bytes long (WrongLength otherwise).
CommError CheckTcpReplyLength(std::span<const std::uint8_t> reply, std::size_t expected);

// Checks the length of a read reply of `count` registers and fills
// words[0..count-1] (register i at bytes 9 + 2i, 10 + 2i).
CommError DecodeTcpReadReply(std::span<const std::uint8_t> reply, int count,
                             std::span<std::uint16_t> words);

}  // namespace kvx
