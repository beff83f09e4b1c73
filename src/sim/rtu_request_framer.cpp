#include "sim/rtu_request_framer.h"

#include <algorithm>

#include "sim/sim_crc.h"

namespace kvx::sim {

void RtuRequestFramer::Feed(std::span<const std::uint8_t> bytes, Clock::time_point now) {
  if (bytes.empty()) return;
  if (buffer_.size() + bytes.size() > kCapacity) {
    // Nothing this long is a request: start again with the newest bytes.
    buffer_.clear();
    if (bytes.size() > kCapacity) bytes = bytes.last(kCapacity);
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
  lastByte_ = now;
}

bool RtuRequestFramer::KnownRequestAt(std::size_t at) const {
  const int len = ExpectedLength(at);
  return len > 0 && at + static_cast<std::size_t>(len) <= buffer_.size() &&
         ModbusCrc({buffer_.data() + at, static_cast<std::size_t>(len)}) == 0;
}

int RtuRequestFramer::ExpectedLength(std::size_t at) const {
  const std::size_t size = buffer_.size() - std::min(at, buffer_.size());
  const std::uint8_t* b = buffer_.data() + at;
  if (size < 2) return 0;
  switch (b[1]) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x08:
      return 8;
    case 0x07:
    case 0x0B:
    case 0x0C:
    case 0x11:
      return 4;
    case 0x0F:
    case 0x10:
      return size < 7 ? 0 : 9 + b[6];
    case 0x16:
      return 10;
    case 0x17:
      return size < 11 ? 0 : 13 + b[10];
    default:
      return -1;
  }
}

std::optional<std::vector<std::uint8_t>> RtuRequestFramer::Next(Clock::time_point now) {
  const bool silent = now >= lastByte_ + gap_;
  while (!buffer_.empty()) {
    const int len = ExpectedLength();
    const auto n = static_cast<std::size_t>(len);
    if (len > 0 && buffer_.size() >= n) {
      if (ModbusCrc({buffer_.data(), n}) == 0) {
        std::vector<std::uint8_t> frame(buffer_.begin(), buffer_.begin() + len);
        buffer_.erase(buffer_.begin(), buffer_.begin() + len);
        return frame;
      }
      ++crcErrors_;
      buffer_.erase(buffer_.begin());
      continue;
    }
    if (len < 0 && !silent) {
      // An unknown function: its end shows either as a CRC that holds over a
      // prefix, or as a good request of known length starting further on.
      for (std::size_t k = 4; k + 4 <= buffer_.size(); ++k) {
        if (ModbusCrc({buffer_.data(), k}) == 0) {
          std::vector<std::uint8_t> frame(buffer_.begin(), buffer_.begin() + static_cast<long>(k));
          buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(k));
          return frame;
        }
        if (KnownRequestAt(k)) {
          ++crcErrors_;
          buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(k));
          break;
        }
      }
      if (ExpectedLength() > 0) continue;
    }
    if (!silent) return std::nullopt;  // wait for the rest, or for the gap
    // Silence: what is here is all there will be.
    if (buffer_.size() >= 4 && ModbusCrc(buffer_) == 0) {
      std::vector<std::uint8_t> frame;
      frame.swap(buffer_);
      return frame;
    }
    if (len != 0 || buffer_.size() >= 2) ++crcErrors_;
    buffer_.erase(buffer_.begin());
  }
  return std::nullopt;
}

}  // namespace kvx::sim
