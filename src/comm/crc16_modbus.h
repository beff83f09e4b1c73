#pragma once
// CRC-16/MODBUS: start 0xFFFF, reflected polynomial 0xA001, appended low byte
// first. Feeding an intact frame including its two CRC bytes leaves 0.

#include <cstdint>
#include <span>

namespace kvx {

inline constexpr std::uint16_t kCrc16ModbusStart = 0xFFFF;

std::uint16_t Crc16ModbusUpdate(std::uint16_t crc, std::uint8_t byte);
std::uint16_t Crc16Modbus(std::span<const std::uint8_t> bytes,
                          std::uint16_t crc = kCrc16ModbusStart);

}  // namespace kvx
