#pragma once
// TcpClient over a POSIX socket: non-blocking connect bounded by poll(),
// TCP_NODELAY (every request is one small frame that waits for its reply),
// MSG_NOSIGNAL so a closed peer is an error value, not a signal.

#include "comm/tcp_client.h"

namespace kvx {

class PosixTcpClient final : public TcpClient {
 public:
  PosixTcpClient() = default;
  ~PosixTcpClient() override;
  PosixTcpClient(const PosixTcpClient&) = delete;
  PosixTcpClient& operator=(const PosixTcpClient&) = delete;

  CommError Connect() override;
  void Disconnect() override;
  bool IsConnected() const override { return fd_ >= 0; }
  CommError WaitForData(std::chrono::milliseconds timeout, bool& readable) override;
  CommError Send(std::span<const std::uint8_t> bytes, std::size_t& sent) override;
  CommError Receive(std::span<std::uint8_t> buffer, std::size_t& got) override;

 private:
  int fd_ = -1;
};

}  // namespace kvx
