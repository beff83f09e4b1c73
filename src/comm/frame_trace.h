#pragma once
// A hook that sees every frame a client puts on the link and every reply it
// took off it (complete or not), for diagnostics such as `kvx-cli --trace`.
// The core never prints; whoever installs the hook decides where lines go.

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace kvx {

enum class FrameDirection { Tx, Rx };

using FrameTraceFn = std::function<void(FrameDirection, std::span<const std::uint8_t>)>;

// "FE 03 01 86": upper-case hex, one space between bytes, empty for no bytes.
std::string FormatFrameHex(std::span<const std::uint8_t> bytes);

// "TX: FE 03 ..." / "RX: ..." ; a reply of no bytes reads "RX: (nothing)".
std::string FormatTraceLine(FrameDirection direction, std::span<const std::uint8_t> bytes);

// Owned by the link objects (serial port, TCP client). Install the hook before
// the link is shared between threads; it is called inside the link lock.
class FrameTracer {
 public:
  void SetFrameTrace(FrameTraceFn trace) { trace_ = std::move(trace); }
  bool Tracing() const { return static_cast<bool>(trace_); }
  void TraceFrame(FrameDirection direction, std::span<const std::uint8_t> bytes) const {
    if (trace_) trace_(direction, bytes);
  }

 private:
  FrameTraceFn trace_;
};

}  // namespace kvx
