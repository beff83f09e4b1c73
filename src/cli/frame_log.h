#pragma once
// What kvx-cli makes of the frames on the link. With --trace every frame is
// printed on stderr, except that the bytes of the relay's password (in a
// write of it, and in the reply to a read of it) print as "**": a trace is
// pasted into bug reports and support mails. The exception code of a refused
// write is kept for the messages ("exception 3").

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "comm/comm_settings.h"
#include "comm/frame_decoder.h"
#include "comm/frame_trace.h"

namespace kvx::cli {

class FrameLog {
 public:
  // `trace`: where lines go; nullptr to print nothing and only watch.
  FrameLog(ProtocolKind protocol, std::ostream* trace) : protocol_(protocol), trace_(trace) {}

  void Frame(FrameDirection direction, std::span<const std::uint8_t> bytes);

  // The code of the last exception reply to a write that began at
  // `firstRegister`, if one was refused.
  std::optional<int> WriteException(int firstRegister) const {
    const auto hit = writeRefusals_.find(firstRegister);
    if (hit == writeRefusals_.end()) return std::nullopt;
    return hit->second;
  }

 private:
  struct Request {
    int function = 0;
    int first = 0;
    int count = 0;
  };
  // Updates what the log knows from `bytes` and marks the bytes to hide.
  std::vector<bool> Inspect(FrameDirection direction, std::span<const std::uint8_t> bytes);
  std::vector<bool> Hidden(FrameDirection direction, std::span<const std::uint8_t> bytes);
  std::size_t PduOffset() const { return protocol_ == ProtocolKind::ModbusTcp ? 7 : 1; }

  ProtocolKind protocol_;
  std::ostream* trace_;
  std::optional<Request> pending_;       // the request the next reply answers
  std::map<int, int> writeRefusals_;     // first register -> exception code (at most 65536)
  FrameDecoder df1_{ProtocolKind::Df1};  // DF1 frames are masked by the core's decoder
};

}  // namespace kvx::cli
