#pragma once
// The serial port the clients talk through: fixed line settings (8 data bits,
// no parity, 1 stop bit, no flow control, DTR and RTS off), one of three baud
// rates, and reads and writes bounded by a total time-out of 100 ms plus 10 ms
// per byte. Thread-agnostic: the link lock decides who uses it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "comm/comm_error.h"
#include "comm/frame_trace.h"

namespace kvx {

inline constexpr int kDefaultBaudRate = 9600;

// 9600, 19200 and 38400 are the rates the relays support.
bool IsSupportedBaudRate(int baud);

// The total time-out of a read or write of `bytes` bytes: 100 ms + 10 ms per byte.
constexpr std::chrono::milliseconds SerialTimeoutFor(std::size_t bytes) {
  return std::chrono::milliseconds(100 + 10 * static_cast<long long>(bytes));
}

class SerialPort : public FrameTracer {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~SerialPort() = default;

  // Takes effect at the next Open. Full system names ("/dev/ttyUSB0").
  void SetPortName(std::string name) { portName_ = std::move(name); }
  const std::string& PortName() const { return portName_; }
  // Applied at once when open; false (and unchanged) for an unsupported rate.
  virtual bool SetBaudRate(int baud) = 0;
  virtual int BaudRate() const = 0;

  // A no-op when open. Fails with PortBusy while another program or handle
  // holds the port.
  virtual CommError Open() = 0;
  // A no-op when closed.
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Discards bytes received and not yet read, and bytes not yet sent.
  virtual CommError ClearBuffers() = 0;

  // Writes `bytes` within the total write time-out; `written` says how many
  // went out. None only when all of them did.
  virtual CommError Write(std::span<const std::uint8_t> bytes, std::size_t& written) = 0;

  // Reads into `buffer` until it is full or `deadline` passes (no gap time-out).
  // None when full, ReplyTooShort when the deadline came first (`got` bytes
  // arrived), PortError on a device error.
  virtual CommError ReadUntil(std::span<std::uint8_t> buffer, std::size_t& got,
                              Clock::time_point deadline) = 0;

  // What the client keeps about late replies on this line across exchanges
  // (see modbus_rtu_client.cpp): how long after a time-out it listens for a
  // late reply beyond the time-out itself, whether the last exchange
  // succeeded, and the request whose attempts went unanswered (a hash of its
  // frame and when the first of them was sent).
  struct LateReplies {
    std::chrono::milliseconds window{0};
    bool lastExchangeOk = false;
    bool unanswered = false;
    std::uint64_t unansweredFrame = 0;
    Clock::time_point unansweredSince{};
  };
  LateReplies& LateReplyHistory() { return lateReplies_; }

  // The system's error number behind the last failed Open (ENOENT, EACCES,
  // EBUSY, ENOTTY...); 0 after a successful one.
  int SystemError() const { return systemError_; }

  // Read with the port's own total time-out for buffer.size() bytes.
  CommError Read(std::span<std::uint8_t> buffer, std::size_t& got) {
    return ReadUntil(buffer, got, Clock::now() + SerialTimeoutFor(buffer.size()));
  }

 protected:
  void SetSystemError(int error) { systemError_ = error; }

 private:
  std::string portName_ = "COM1";
  int systemError_ = 0;
  LateReplies lateReplies_;
};

// The POSIX port (termios); see posix_serial_port.h.
std::unique_ptr<SerialPort> MakeSerialPort();

}  // namespace kvx
