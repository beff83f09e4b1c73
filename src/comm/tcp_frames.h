#pragma once
// Modbus TCP request frames (the application header, then the request body of
// modbus_pdu.h) and the check of a reply against its request, as pure
// functions over byte buffers (the client, the tests and the fuzz target share
// them).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "comm/comm_error.h"

namespace kvx {

inline constexpr std::size_t kTcpFrameCapacity = 13 + 2 * 123;
inline constexpr std::size_t kTcpHeaderLength = 7;  // transaction, protocol, length, unit
// The header's length field counts the unit and the PDU (at most 253 bytes).
inline constexpr std::size_t kTcpMinDeclaredLength = 2;
inline constexpr std::size_t kTcpMaxDeclaredLength = 254;
inline constexpr std::size_t kTcpReplyCapacity = 6 + kTcpMaxDeclaredLength;
inline constexpr std::size_t kTcpWriteReplyLength = 12;
inline constexpr std::size_t kTcpExceptionReplyLength = 9;

struct TcpFrame {
  std::array<std::uint8_t, kTcpFrameCapacity> bytes{};
  std::size_t size = 0;
  std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};

// Only the low 16 bits of an address or count go on the wire. `transaction`
// is the identifier the reply must echo.
TcpFrame BuildTcpReadRequest(std::uint8_t unit, int first, int count,
                             std::uint16_t transaction = 0);
TcpFrame BuildTcpWriteRequest(std::uint8_t unit, int first, std::span<const std::uint16_t> words,
                              std::uint16_t transaction = 0);
// Writes `code` into the command register, relay_reg::kCommand (function 16).
TcpFrame BuildTcpCommandRequest(std::uint8_t unit, int code, std::uint16_t transaction = 0);

constexpr std::size_t TcpReadReplyLength(int count) {
  return 9 + 2 * static_cast<std::size_t>(count);
}

// The header of a reply (its first 7 bytes) against the request: transaction
// identifier, protocol identifier 0, a length field a Modbus reply can have.
// When it passes, `following` is the number of bytes the header says come
// after it.
CommError CheckTcpReplyHeader(std::span<const std::uint8_t> request,
                              std::span<const std::uint8_t> header, std::size_t& following);

// A whole reply against its request (one built above), in this fixed order,
// stopping at the first fault: the header as above; the length field against
// the bytes that follow it (ReplyTooShort when fewer came); unit; function
// (the exception bit gives that exception as the error); for a read the byte
// count, the length, and then words[0..count-1] are filled (words.size() >=
// count); for a write the length, the echoed first register and the echoed
// count.
CommError CheckTcpReply(std::span<const std::uint8_t> request, std::span<const std::uint8_t> reply,
                        std::span<std::uint16_t> words);

}  // namespace kvx
