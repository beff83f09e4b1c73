// Fuzzes the check of a Modbus TCP reply against its request. Input: one byte
// choosing read / write / command, one byte giving the register count, one
// giving the transaction identifier's low byte, then the reply bytes as
// received. A reply that passes must really answer the request: the same
// transaction, protocol 0, a length that fits the bytes, the same unit and
// function, the right byte count or echo; and checking never reads past the
// reply.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "comm/tcp_frames.h"

namespace {

unsigned WordAt(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<unsigned>((b[at] << 8) | b[at + 1]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int mode = data[0] % 3;
  const int count = 1 + data[1] % 123;
  const auto transaction = static_cast<std::uint16_t>(0x0100 | data[2]);
  const std::vector<std::uint16_t> values(static_cast<std::size_t>(count), 0x1234);
  const kvx::TcpFrame request = mode == 0   ? kvx::BuildTcpReadRequest(17, 40, count, transaction)
                                : mode == 1 ? kvx::BuildTcpWriteRequest(17, 40, values, transaction)
                                            : kvx::BuildTcpCommandRequest(17, 5, transaction);
  // A copy of exactly the reply's size, so reading past it trips ASan.
  std::vector<std::uint8_t> reply(data + 3, data + size);
  std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
  if (kvx::CheckTcpReply(request.View(), reply, words) != kvx::CommError::None) return 0;
  const bool ok = reply.size() >= 8 && WordAt(reply, 0) == transaction && WordAt(reply, 2) == 0 &&
                  WordAt(reply, 4) + 6 == reply.size() && reply[6] == 17 &&
                  reply[7] == request.bytes[7];
  if (!ok) __builtin_trap();
  if (mode == 0) {
    if (reply.size() != kvx::TcpReadReplyLength(count) || reply[8] != 2 * count) __builtin_trap();
  } else if (reply.size() != kvx::kTcpWriteReplyLength ||
             WordAt(reply, 8) != (mode == 1 ? 40u : 6u) ||
             WordAt(reply, 10) != (mode == 1 ? static_cast<unsigned>(count) : 1u)) {
    __builtin_trap();
  }
  return 0;
}
