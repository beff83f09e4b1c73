#include "comm/traffic_log.h"

#include <cstdio>
#include <ctime>

namespace kvx {

void TrafficLog::SetSerialProtocol(ProtocolKind protocol) {
  std::lock_guard lock(mutex_);
  if (serial_.Protocol() != protocol) serial_ = FrameDecoder(protocol);
}

void TrafficLog::RecordSerial(FrameDirection direction, std::span<const std::uint8_t> bytes,
                              std::chrono::system_clock::time_point when) {
  std::lock_guard lock(mutex_);
  Record(serial_, direction, bytes, when);
}

void TrafficLog::RecordTcp(FrameDirection direction, std::span<const std::uint8_t> bytes,
                           std::chrono::system_clock::time_point when) {
  std::lock_guard lock(mutex_);
  Record(tcp_, direction, bytes, when);
}

void TrafficLog::Record(FrameDecoder& decoder, FrameDirection direction,
                        std::span<const std::uint8_t> bytes,
                        std::chrono::system_clock::time_point when) {
  DecodedFrame decoded = decoder.Decode(direction, bytes);
  if (paused_) return;
  lines_.push_back({when, direction, MaskedHex(bytes, decoded.hidden), std::move(decoded.text)});
  ++appended_;
  while (lines_.size() > limit_) lines_.pop_front();
}

void TrafficLog::SetPaused(bool paused) {
  std::lock_guard lock(mutex_);
  paused_ = paused;
}

bool TrafficLog::Paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

void TrafficLog::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
  ++clears_;
}

std::vector<TrafficLine> TrafficLog::TakeNew(Cursor& cursor, bool& restart) const {
  std::lock_guard lock(mutex_);
  // The deque holds the last lines_.size() of all lines appended.
  const std::uint64_t oldestHeld = appended_ - lines_.size();
  restart = cursor.clears != clears_ || cursor.sequence < oldestHeld || cursor.sequence > appended_;
  const std::uint64_t from = restart ? oldestHeld : cursor.sequence;
  std::vector<TrafficLine> fresh(lines_.begin() + static_cast<std::ptrdiff_t>(from - oldestHeld),
                                 lines_.end());
  cursor.sequence = appended_;
  cursor.clears = clears_;
  return fresh;
}

std::size_t TrafficLog::Size() const {
  std::lock_guard lock(mutex_);
  return lines_.size();
}

std::vector<TrafficLine> TrafficLog::Lines() const {
  std::lock_guard lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

std::string TrafficLog::FormatLine(const TrafficLine& line) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(line.when.time_since_epoch()).count() % 1000;
  const std::time_t t = system_clock::to_time_t(line.when);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(ms < 0 ? ms + 1000 : ms));
  std::string text = stamp;
  text += line.direction == FrameDirection::Tx ? "  TX  " : "  RX  ";
  text += line.hex.empty() ? std::string("(nothing)") : line.hex;
  text += "  ";
  text += line.text;
  return text;
}

std::string TrafficLog::Text() const {
  std::string text;
  for (const TrafficLine& line : Lines()) {
    text += FormatLine(line);
    text += '\n';
  }
  return text;
}

}  // namespace kvx
