#pragma once
// Answers one Modbus request PDU (function code and data, no address or
// checksum) from a device: functions 3 and 4 (read), 6 (write one), 16 (write
// several) and 5 (force one coil); anything else is exception 1.

#include <cstdint>
#include <span>
#include <vector>

#include "sim/modbus_device.h"

namespace kvx::sim {

class ModbusRequestHandler {
 public:
  // `exceptionAt`: a register that makes every request touching it fail with
  // exception 2 (fault injection); -1 for none.
  explicit ModbusRequestHandler(ModbusDevice& device, int exceptionAt = -1)
      : device_(device), exceptionAt_(exceptionAt) {}

  // The response PDU; for an exception, function | 0x80 followed by the code.
  std::vector<std::uint8_t> Handle(std::span<const std::uint8_t> pdu);

  static std::vector<std::uint8_t> ExceptionPdu(std::uint8_t function, ModbusException code);

 private:
  bool Touches(int first, int count) const {
    return exceptionAt_ >= first && exceptionAt_ < first + count;
  }

  ModbusDevice& device_;
  int exceptionAt_;
};

}  // namespace kvx::sim
