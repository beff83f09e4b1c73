// Fuzzes the Modbus RTU reply tests. Input: one byte choosing read / write /
// coil, one byte giving the register count, then the reply bytes as they
// came off the line. A reply that passes must really be whole and intact.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "comm/crc16_modbus.h"
#include "comm/rtu_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int mode = data[0] % 3;
  const int count = data[1] % 126;
  std::span<const std::uint8_t> reply(data + 2, size - 2);
  const std::uint8_t unit = reply.empty() ? 1 : reply[0];
  std::vector<std::uint16_t> words(static_cast<std::size_t>(count));
  kvx::CommError result = kvx::CommError::None;
  std::size_t needed = 0;
  switch (mode) {
    case 0:
      result = kvx::CheckRtuReadReply(reply, unit, count, words);
      needed = kvx::RtuReadReplyLength(count);
      break;
    case 1:
      result = kvx::CheckRtuWriteReply(reply, unit);
      needed = kvx::kRtuWriteReplyLength;
      break;
    default:
      result = kvx::CheckRtuCoilReply(reply, unit);
      needed = kvx::kRtuCoilReplyLength;
      break;
  }
  if (result == kvx::CommError::None &&
      (reply.size() < needed || kvx::Crc16Modbus(reply.first(needed)) != 0 || (reply[1] & 0x80))) {
    __builtin_trap();
  }
  return 0;
}
