#pragma once
// The traffic of the link as lines to show and save: time stamp, direction,
// bytes in hex (the password masked) and a one-line decoding. Bounded: the
// oldest lines go once there are more than the limit. Record is called on
// whichever thread runs an exchange (inside the link lock); the viewer reads
// from its own thread. Paused, nothing is recorded (the decoders still follow
// the traffic, so a reply after the pause ends is read against its request).

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "comm/frame_decoder.h"

namespace kvx {

struct TrafficLine {
  std::chrono::system_clock::time_point when;
  FrameDirection direction = FrameDirection::Tx;
  std::string hex;   // masked
  std::string text;  // one-line decoding
};

class TrafficLog {
 public:
  static constexpr std::size_t kDefaultLimit = 10000;

  explicit TrafficLog(std::size_t limit = kDefaultLimit) : limit_(limit ? limit : 1) {}

  // Which protocol the serial line speaks (RTU or DF1) from now on; the
  // connect sets it before the first exchange.
  void SetSerialProtocol(ProtocolKind protocol);

  // A frame on the serial port / on the TCP connection.
  void RecordSerial(FrameDirection direction, std::span<const std::uint8_t> bytes,
                    std::chrono::system_clock::time_point when = std::chrono::system_clock::now());
  void RecordTcp(FrameDirection direction, std::span<const std::uint8_t> bytes,
                 std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

  void SetPaused(bool paused);
  bool Paused() const;
  void Clear();

  // Where a viewer is: the lines it has taken and the clears it has seen.
  struct Cursor {
    std::uint64_t sequence = 0;
    std::uint64_t clears = 0;
  };
  // The lines appended since `cursor`, the oldest first, and the cursor moved
  // past them. `restart`: the viewer must drop what it shows first (a Clear,
  // or more new lines came than the log holds); the lines are then all held.
  std::vector<TrafficLine> TakeNew(Cursor& cursor, bool& restart) const;
  std::size_t Size() const;
  std::vector<TrafficLine> Lines() const;

  // "12:34:56.789  TX  10 05 01 FF FF  DLE ENQ station 1" (local time).
  static std::string FormatLine(const TrafficLine& line);
  // Every line, one a line.
  std::string Text() const;

 private:
  void Record(FrameDecoder& decoder, FrameDirection direction, std::span<const std::uint8_t> bytes,
              std::chrono::system_clock::time_point when);

  std::size_t limit_;
  mutable std::mutex mutex_;
  FrameDecoder serial_{ProtocolKind::ModbusRtu};
  FrameDecoder tcp_{ProtocolKind::ModbusTcp};
  std::deque<TrafficLine> lines_;
  std::uint64_t appended_ = 0;   // lines ever appended
  std::uint64_t clears_ = 0;
  bool paused_ = false;
};

}  // namespace kvx
