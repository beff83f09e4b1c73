#pragma once
// A scripted DF1 half-duplex slave on the master side of a pty pair, for the
// client's exchange tests. It splits what the master sends into messages,
// polls and acknowledgements (recording each, undoubled), and answers each
// message and each poll with the next scripted answer: bytes to send, or
// silence. With no script left it answers a message with DLE ACK and a poll
// with DLE EOT.

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "support/pty_pair.h"

namespace kvx::test {

class Df1Responder {
 public:
  using Bytes = std::vector<std::uint8_t>;
  enum class Kind { Message, Poll, Ack, Nak, Noise };
  struct Received {
    Kind kind;
    Bytes wire;    // as it came, pad byte included
    Bytes packet;  // a message's undoubled packet; a poll's station
  };
  // An answer: the bytes to send, after `delayMs`; empty bytes send nothing.
  struct Answer {
    Bytes bytes;
    int delayMs = 0;
  };

  explicit Df1Responder(bool bcc = false);
  ~Df1Responder();

  const std::string& PortName() const { return pty_.SlaveName(); }
  void Script(std::vector<Answer> answers);
  std::vector<Received> Log();
  int Count(Kind kind);

  // A reply frame around `packet` with the responder's check.
  Bytes ReplyFrame(const Bytes& packet) const;
  // The reply packet to the last message received (CMD | 0x40, its TNS), with
  // `data` appended and status `sts`.
  Bytes ReplyTo(const Bytes& request, const Bytes& data, std::uint8_t sts = 0) const;

 private:
  void Run();
  void Take(std::uint8_t b);
  void Answer_(Kind kind);

  PtyPair pty_;
  bool bcc_;
  std::mutex guard_;
  std::deque<Answer> script_;
  std::vector<Received> log_;
  Bytes pending_;  // bytes of the unit being received
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kvx::test
