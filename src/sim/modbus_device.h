#pragma once
// The slave side of the register space: what a Modbus request handler asks of
// the device behind it. Every call answers with an exception code (0 = done).

#include <cstdint>
#include <span>

namespace kvx::sim {

enum class ModbusException : std::uint8_t {
  None = 0,
  IllegalFunction = 1,
  IllegalDataAddress = 2,
  IllegalDataValue = 3,
  GatewayTargetFailed = 0x0B,
};

class ModbusDevice {
 public:
  virtual ~ModbusDevice() = default;
  // Fills out[0..count-1] with holding registers first..first+count-1.
  virtual ModbusException ReadRegisters(std::uint16_t first, std::uint16_t count,
                                        std::uint16_t* out) = 0;
  // All or nothing: either every word is taken or none is.
  virtual ModbusException WriteRegisters(std::uint16_t first,
                                         std::span<const std::uint16_t> words) = 0;
  virtual ModbusException WriteCoil(std::uint16_t coil, bool on) = 0;
  // A silent device hears nothing and answers nothing (a cut line).
  virtual bool Silent() const { return false; }
};

}  // namespace kvx::sim
