#pragma once
// SerialPort over a POSIX tty: termios raw 8N1, poll() deadlines, tcflush,
// and exclusive use through flock(LOCK_EX|LOCK_NB) plus TIOCEXCL, so a second
// opener (another program or another handle in this one) fails. Pseudo-
// terminals work; they refuse modem lines, which is harmless only there.

#include "comm/serial_port.h"

namespace kvx {

class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort() = default;
  ~PosixSerialPort() override;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;

  bool SetBaudRate(int baud) override;
  int BaudRate() const override { return baud_; }
  CommError Open() override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  CommError ClearBuffers() override;
  CommError Write(std::span<const std::uint8_t> bytes, std::size_t& written) override;
  CommError ReadUntil(std::span<std::uint8_t> buffer, std::size_t& got,
                      Clock::time_point deadline) override;

  // True when the open device is a pseudo-terminal.
  bool IsPseudoTerminal() const { return pty_; }

 private:
  CommError ApplyLineSettings();

  int fd_ = -1;
  int baud_ = kDefaultBaudRate;
  bool pty_ = false;
};

}  // namespace kvx
