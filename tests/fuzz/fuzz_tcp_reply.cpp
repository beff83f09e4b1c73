// Fuzzes the Modbus TCP reply test and decoding. Input: one byte giving the
// register count, then the reply bytes as received. Only the exact length may
// pass, and decoding never reads past the reply.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "comm/tcp_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int count = data[0] % 126;
  // A copy of exactly the reply's size, so reading past it trips ASan.
  std::vector<std::uint8_t> reply(data + 1, data + size);
  std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
  const kvx::CommError read = kvx::DecodeTcpReadReply(reply, count, words);
  if ((read == kvx::CommError::None) != (reply.size() == kvx::TcpReadReplyLength(count))) {
    __builtin_trap();
  }
  const kvx::CommError write = kvx::CheckTcpReplyLength(reply, kvx::kTcpWriteReplyLength);
  if ((write == kvx::CommError::None) != (reply.size() == kvx::kTcpWriteReplyLength)) {
    __builtin_trap();
  }
  return 0;
}
