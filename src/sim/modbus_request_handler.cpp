#include "sim/modbus_request_handler.h"

namespace kvx::sim {
namespace {

int Word(std::span<const std::uint8_t> p, std::size_t at) {
  return (p[at] << 8) | p[at + 1];
}

void PutWord(std::vector<std::uint8_t>& out, int w) {
  out.push_back(static_cast<std::uint8_t>((w >> 8) & 0xFF));
  out.push_back(static_cast<std::uint8_t>(w & 0xFF));
}

}  // namespace

std::vector<std::uint8_t> ModbusRequestHandler::ExceptionPdu(std::uint8_t function,
                                                             ModbusException code) {
  return {static_cast<std::uint8_t>(function | 0x80), static_cast<std::uint8_t>(code)};
}

std::vector<std::uint8_t> ModbusRequestHandler::Handle(std::span<const std::uint8_t> pdu) {
  if (pdu.empty()) return ExceptionPdu(0, ModbusException::IllegalFunction);
  const std::uint8_t fn = pdu[0];
  auto fail = [fn](ModbusException e) { return ExceptionPdu(fn, e); };
  switch (fn) {
    case 0x03:
    case 0x04: {
      if (pdu.size() != 5) return fail(ModbusException::IllegalDataValue);
      const int first = Word(pdu, 1);
      const int count = Word(pdu, 3);
      if (count < 1 || count > 125) return fail(ModbusException::IllegalDataValue);
      if (first + count > 0x10000 || Touches(first, count))
        return fail(ModbusException::IllegalDataAddress);
      std::uint16_t words[125];
      auto e = device_.ReadRegisters(static_cast<std::uint16_t>(first),
                                     static_cast<std::uint16_t>(count), words);
      if (e != ModbusException::None) return fail(e);
      std::vector<std::uint8_t> out{fn, static_cast<std::uint8_t>(2 * count)};
      out.reserve(2 + 2 * static_cast<std::size_t>(count));
      for (int i = 0; i < count; ++i) PutWord(out, words[i]);
      return out;
    }
    case 0x06: {
      if (pdu.size() != 5) return fail(ModbusException::IllegalDataValue);
      const int reg = Word(pdu, 1);
      if (Touches(reg, 1)) return fail(ModbusException::IllegalDataAddress);
      const auto value = static_cast<std::uint16_t>(Word(pdu, 3));
      auto e = device_.WriteRegisters(static_cast<std::uint16_t>(reg), {&value, 1});
      if (e != ModbusException::None) return fail(e);
      return {pdu.begin(), pdu.end()};
    }
    case 0x10: {
      if (pdu.size() < 6) return fail(ModbusException::IllegalDataValue);
      const int first = Word(pdu, 1);
      const int count = Word(pdu, 3);
      const int bytes = pdu[5];
      if (count < 1 || count > 123 || bytes != 2 * count ||
          pdu.size() != 6 + static_cast<std::size_t>(bytes))
        return fail(ModbusException::IllegalDataValue);
      if (first + count > 0x10000 || Touches(first, count))
        return fail(ModbusException::IllegalDataAddress);
      std::uint16_t words[123];
      for (int i = 0; i < count; ++i)
        words[i] = static_cast<std::uint16_t>(Word(pdu, 6 + 2 * static_cast<std::size_t>(i)));
      auto e = device_.WriteRegisters(static_cast<std::uint16_t>(first),
                                      {words, static_cast<std::size_t>(count)});
      if (e != ModbusException::None) return fail(e);
      std::vector<std::uint8_t> out{fn};
      PutWord(out, first);
      PutWord(out, count);
      return out;
    }
    case 0x05: {
      if (pdu.size() != 5) return fail(ModbusException::IllegalDataValue);
      const int coil = Word(pdu, 1);
      const int value = Word(pdu, 3);
      if (value != 0xFF00 && value != 0x0000) return fail(ModbusException::IllegalDataValue);
      auto e = device_.WriteCoil(static_cast<std::uint16_t>(coil), value == 0xFF00);
      if (e != ModbusException::None) return fail(e);
      return {pdu.begin(), pdu.end()};
    }
    default:
      return fail(ModbusException::IllegalFunction);
  }
}

}  // namespace kvx::sim
