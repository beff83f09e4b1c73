#pragma once
// A-B DF1 half-duplex master: one exchange per call over the serial port,
// carried by PCCC unprotected read (CMD 0x01) and write (CMD 0x08). Called
// only by the register access layer, inside the link lock, with a fresh
// context per attempt.
//
// An exchange: the master message; DLE ACK from the relay; then polls (DLE
// ENQ) until a reply frame passes, at most 2 for a read or write and 3 for a
// command. A reply that is DLE EOT, out of shape, fails its check, or carries
// an error status, another CMD or another transaction number costs a poll. A
// missing ACK, silence (110 ms per byte), a reply growing past its buffer, a
// port error, or polls used up end the exchange: DLE NAK, port closed, the
// reason returned. The next exchange opens the port again.
//
// Limits are checked before any traffic: unit 1..254, word address 0..9999,
// 1..100 words; source node 0..254; check 0 (CRC) or 1 (BCC).

#include <chrono>
#include <cstdint>
#include <span>

#include "comm/comm_error.h"
#include "comm/df1_frames.h"
#include "comm/serial_port.h"

namespace kvx {

inline constexpr int kDf1ReadWritePolls = 2;
inline constexpr int kDf1CommandPolls = 3;

// One per attempt, discarded afterwards.
struct Df1Context {
  Df1Context(SerialPort& p, int sourceNode, std::uint16_t transaction, int errorCheck)
      : port(p), source(sourceNode), tns(transaction), checkMode(errorCheck) {}
  SerialPort& port;
  int source;         // this workstation's node, 0..254
  std::uint16_t tns;  // the transaction number of this attempt
  int checkMode;      // 0 = CRC, 1 = BCC
  int polls = 0;      // polls sent in this exchange
  // For the reason of a failure.
  std::uint8_t status = 0;  // the error status (STS) of the last refusing reply
  bool replyHeard = false;  // something other than the DLE ACK, or part of a reply frame, came
};

// How long each byte of an acknowledgement or a reply is waited for.
inline constexpr std::chrono::milliseconds kDf1ByteTimeout = SerialTimeoutFor(1);

CommError Df1ReadWords(Df1Context& context, int unit, int wordAddress, int count,
                       std::span<std::uint16_t> words);
CommError Df1WriteWords(Df1Context& context, int unit, int wordAddress, int count,
                        std::span<const std::uint16_t> words);
// Writes `code` (low 16 bits) to the command register (word 6).
CommError Df1Command(Df1Context& context, int unit, int code);

}  // namespace kvx
