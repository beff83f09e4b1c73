#pragma once
// What a frame on the link says, in one line ("read 3 registers from 390,
// unit 254", "exception 2", "DLE ENQ station 1", "ACK"), and which of its
// bytes must never be shown: the relay's password (registers 590..599) in a
// write of it and in the reply to a read of it, and the check bytes of such a
// frame (they would narrow the password down to a few guesses). A reply that
// does not have the shape its request calls for, when that request touches
// the password, is hidden whole: where the password sits cannot be told.
//
// Stateful: a reply is decoded against the last request sent. One decoder per
// link, fed every frame in order (inside the link lock).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "comm/comm_settings.h"
#include "comm/df1_frames.h"
#include "comm/frame_trace.h"

namespace kvx {

struct DecodedFrame {
  std::vector<bool> hidden;  // one flag per byte
  std::string text;
};

class FrameDecoder {
 public:
  explicit FrameDecoder(ProtocolKind protocol) : protocol_(protocol) {}

  ProtocolKind Protocol() const { return protocol_; }
  DecodedFrame Decode(FrameDirection direction, std::span<const std::uint8_t> bytes);

 private:
  struct Request {
    int function = 0;  // Modbus function code, or DF1 CMD
    int first = 0;     // register (DF1: word address)
    int count = 0;
  };
  DecodedFrame DecodeModbus(FrameDirection direction, std::span<const std::uint8_t> bytes);
  DecodedFrame DecodeDf1(FrameDirection direction, std::span<const std::uint8_t> bytes);

  ProtocolKind protocol_;
  std::optional<Request> pending_;  // the request the next reply answers
  Df1Check df1Check_ = Df1Check::Crc;
};

// "10 01 ** **": upper-case hex, one space between bytes, hidden bytes "**".
std::string MaskedHex(std::span<const std::uint8_t> bytes, const std::vector<bool>& hidden);

}  // namespace kvx
