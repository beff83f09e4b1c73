#pragma once
// Register counts one Modbus request may carry. Longer blocks are split by the
// callers (they keep to 100); these bounds keep every frame inside its buffer.

namespace kvx {

inline constexpr int kModbusMaxReadCount = 125;   // function 3
inline constexpr int kModbusMaxWriteCount = 123;  // function 16

inline constexpr bool UnitAddressValid(int unit) {
  return unit >= 1 && unit <= 254;
}

}  // namespace kvx
