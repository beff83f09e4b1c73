#include "comm/modbus_pdu.h"

namespace kvx {
namespace {

class PduWriter {
 public:
  explicit PduWriter(ModbusPdu& pdu) : pdu_(pdu) { pdu_.size = 0; }
  void Byte(unsigned b) {
    if (pdu_.size < pdu_.bytes.size())
      pdu_.bytes[pdu_.size++] = static_cast<std::uint8_t>(b & 0xFF);
  }
  void Word(unsigned value) {
    Byte(value >> 8);
    Byte(value);
  }

 private:
  ModbusPdu& pdu_;
};

unsigned Low16(int value) {
  return static_cast<unsigned>(value) & 0xFFFF;
}

}  // namespace

ModbusPdu ReadHoldingPdu(int first, int count) {
  ModbusPdu pdu;
  PduWriter w(pdu);
  w.Byte(kModbusReadHolding);
  w.Word(Low16(first));
  w.Word(Low16(count));
  return pdu;
}

ModbusPdu WriteMultiplePdu(int first, std::span<const std::uint16_t> words) {
  ModbusPdu pdu;
  PduWriter w(pdu);
  w.Byte(kModbusWriteMultiple);
  w.Word(Low16(first));
  w.Word(static_cast<unsigned>(words.size()) & 0xFFFF);
  w.Byte(static_cast<unsigned>(2 * words.size()));
  for (std::uint16_t value : words) w.Word(value);
  return pdu;
}

ModbusPdu WriteCoilPdu(int coil) {
  ModbusPdu pdu;
  PduWriter w(pdu);
  w.Byte(kModbusWriteSingleCoil);
  w.Word(Low16(coil));
  w.Word(0xFF00);
  return pdu;
}

}  // namespace kvx
