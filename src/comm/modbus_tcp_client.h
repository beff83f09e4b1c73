#pragma once
// Modbus TCP client: one exchange per call over the one TCP connection
// (functions 3 and 16). Called only by the register access layer, inside the
// link lock.
//
// Limits checked before any traffic (nothing is connected or sent): unit
// 1..254; first register 0..9999; counts 1..125 (read) and 1..123 (write).
//
// Each request carries the next transaction identifier; its reply is read
// header first, then exactly the length the header declares (however many
// segments it comes in, within the reply time-out), and is checked against
// the request field by field (see tcp_frames.h). Any failure after the
// request is built disconnects the client, so a late reply or surplus bytes
// cost a reconnection at the next exchange, never a misaligned stream.

#include <chrono>
#include <cstdint>
#include <span>

#include "comm/comm_error.h"
#include "comm/tcp_client.h"

namespace kvx {

inline constexpr int kTcpMaxRegister = 9999;
inline constexpr std::chrono::milliseconds kTcpReplyTimeout{500};

CommError TcpReadRegisters(TcpClient& client, int unit, int first, int count,
                           std::span<std::uint16_t> words);
CommError TcpWriteRegisters(TcpClient& client, int unit, int first, int count,
                            std::span<const std::uint16_t> words);
// Writes the command code into the command register (relay_reg::kCommand).
CommError TcpCommand(TcpClient& client, int unit, int code);

}  // namespace kvx
