#pragma once
// Modbus RTU master: one exchange per call over the serial port (functions 3,
// 16 and 5). Called only by the register access layer, inside the link lock.
//
// Argument limits are checked before any traffic: unit 1..254; register
// 0..99999 for reads and writes (the low 16 bits go on the wire); any coil
// number (low 16 bits); counts 1..125 (read) and 1..123 (write).
//
// Every reply is checked against its request (see rtu_frames.h). Input that
// arrived before a request is discarded before it is sent; after a failed
// attempt the client reads on until the line has been quiet (3.5 character
// times, at least 20 ms; after a time-out at least one more time-out, or
// longer once the relay has been heard answering late), so a retry never
// talks over a relay that is still sending nor takes an old reply, or its
// tail, for its own. A reply that came after a time-out may be the late
// answer to the earlier attempt of the same request; the client then also
// listens for the retry's own late answer before the line is used again.
//
// After a failed read or write the port stays open. A port error during a
// coil write closes the port; the next exchange opens it again.

#include <chrono>
#include <cstdint>
#include <span>

#include "comm/comm_error.h"
#include "comm/rtu_frames.h"
#include "comm/serial_port.h"

namespace kvx {

// One per exchange, discarded afterwards.
struct RtuContext {
  explicit RtuContext(SerialPort& p) : port(p) {}
  SerialPort& port;
  RtuFrame frame;                          // the request under construction
  SerialPort::Clock::time_point sentAt{};  // when it went out
  std::chrono::milliseconds timeout{0};    // how long its reply was waited for
  bool replyHeard = false;                 // some of a reply arrived
};

inline constexpr int kRtuMaxRegister = 99999;

CommError ReadHoldingRegisters(RtuContext& context, int unit, int first, int count,
                               std::span<std::uint16_t> words);
CommError WriteMultipleRegisters(RtuContext& context, int unit, int first, int count,
                                 std::span<const std::uint16_t> words);
// Forces coil `coil` on (the device command).
CommError WriteSingleCoil(RtuContext& context, int unit, int coil);

}  // namespace kvx
