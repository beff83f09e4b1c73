#pragma once
// The TCP connection the Modbus TCP client talks through: an IPv4 host and a
// port (kModbusTcpPort unless told otherwise), a bounded connect, and non-blocking send
// and receive. Thread-agnostic: the link lock decides who uses it.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "comm/comm_error.h"
#include "comm/frame_trace.h"
#include "comm/host_port.h"

namespace kvx {

inline constexpr std::chrono::milliseconds kTcpConnectTimeout{3000};

class TcpClient : public FrameTracer {
 public:
  virtual ~TcpClient() = default;

  // Dotted IPv4 text; takes effect at the next Connect.
  void SetRemoteHost(std::string host) { remoteHost_ = std::move(host); }
  const std::string& RemoteHost() const { return remoteHost_; }
  void SetRemotePort(std::uint16_t port) { remotePort_ = port; }
  std::uint16_t RemotePort() const { return remotePort_; }

  // Connects to the remote host and port within kTcpConnectTimeout. A no-op
  // when connected.
  virtual CommError Connect() = 0;
  virtual void Disconnect() = 0;
  virtual bool IsConnected() const = 0;

  // Whether at least one byte (or the end of the stream) is readable within
  // `timeout`; nothing is consumed.
  virtual CommError WaitForData(std::chrono::milliseconds timeout, bool& readable) = 0;

  // Sends `bytes`; `sent` says how many went out. None only when all did.
  virtual CommError Send(std::span<const std::uint8_t> bytes, std::size_t& sent) = 0;

  // The bytes available now, at most buffer.size(). PeerClosed when the remote
  // end has closed and nothing is left to read.
  virtual CommError Receive(std::span<std::uint8_t> buffer, std::size_t& got) = 0;

  // The system's error number behind the last failed Connect (ECONNREFUSED,
  // ENETUNREACH...); 0 after a successful one or a failure without one.
  int SystemError() const { return systemError_; }

  // The transaction identifier for the next request: 0 first, then counting
  // up (wrapping), so a reply to an earlier request never passes for the
  // reply to this one.
  std::uint16_t NextTransactionId() { return nextTransaction_++; }

 protected:
  void SetSystemError(int error) { systemError_ = error; }

 private:
  std::string remoteHost_;
  int systemError_ = 0;
  std::uint16_t remotePort_ = kModbusTcpPort;
  std::uint16_t nextTransaction_ = 0;
};

// The POSIX socket client; see posix_tcp_client.h.
std::unique_ptr<TcpClient> MakeTcpClient();

}  // namespace kvx
