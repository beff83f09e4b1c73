#pragma once
// The body of a Modbus request (function code, address, count, data), the
// same on every transport: RTU puts the unit before it and its CRC after it,
// TCP puts its application header before it. Built only here.
// All 16-bit fields go high byte first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kvx {

inline constexpr std::uint8_t kModbusReadHolding = 0x03;
inline constexpr std::uint8_t kModbusWriteSingleCoil = 0x05;
inline constexpr std::uint8_t kModbusWriteMultiple = 0x10;
inline constexpr std::size_t kModbusPduCapacity = 253;

struct ModbusPdu {
  std::array<std::uint8_t, kModbusPduCapacity> bytes{};
  std::size_t size = 0;
  std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};

// Only the low 16 bits of an address or count go on the wire, and the low 8
// of a byte count; a write longer than a PDU can hold is cut at its end.
// Callers check the limits of their protocol first.
ModbusPdu ReadHoldingPdu(int first, int count);
ModbusPdu WriteMultiplePdu(int first, std::span<const std::uint16_t> words);
// Forces coil `coil` on.
ModbusPdu WriteCoilPdu(int coil);

}  // namespace kvx
