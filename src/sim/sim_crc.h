#pragma once
// CRC-16/MODBUS, as the relay checks requests and seals its replies.

#include <cstdint>
#include <span>

namespace kvx::sim {

// Running over a whole frame including its two CRC bytes (low first) yields 0.
std::uint16_t ModbusCrc(std::span<const std::uint8_t> bytes);

}  // namespace kvx::sim
