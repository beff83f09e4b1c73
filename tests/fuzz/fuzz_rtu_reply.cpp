// Fuzzes the Modbus RTU reply checks. Input: one byte choosing read / write /
// coil, one byte giving the register count, then the reply bytes as they
// came off the line. A reply that passes must really be whole and intact, and
// a write or coil reply must echo its request.

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
      result = kvx::CheckRtuWriteReply(reply, unit, 0x0102, count);
      needed = kvx::kRtuWriteReplyLength;
      break;
    default:
      result = kvx::CheckRtuCoilReply(reply, unit, 0x0304);
      needed = kvx::kRtuCoilReplyLength;
      break;
  }
  if (kvx::IsExceptionReply(result) &&
      (reply.size() < kvx::kRtuExceptionReplyLength ||
       kvx::Crc16Modbus(reply.first(kvx::kRtuExceptionReplyLength)) != 0)) {
    __builtin_trap();  // an exception is only named from a whole, intact reply
  }
  if (result != kvx::CommError::None) return 0;
  if (reply.size() < needed || kvx::Crc16Modbus(reply.first(needed)) != 0 || (reply[1] & 0x80)) {
    __builtin_trap();
  }
  if (mode == 1 && (reply[2] != 0x01 || reply[3] != 0x02 || reply[4] != 0 || reply[5] != count)) {
    __builtin_trap();
  }
  if (mode == 2 && (reply[2] != 0x03 || reply[3] != 0x04 || reply[4] != 0xFF || reply[5] != 0)) {
    __builtin_trap();
  }
  return 0;
}
