#pragma once
// The relay as an A-B DF1 half-duplex slave: takes master messages (DLE SOH
// station DLE STX packet DLE ETX check), acknowledges them, and answers polls
// (DLE ENQ station check) with the reply frame of the last message or with
// DLE EOT when it has none. PCCC unprotected read (CMD 0x01) and write (CMD
// 0x08) reach the relay's registers; word address = byte address / 2.
// The frame check (CRC-16 or BCC) is recognised from each message and used
// for its reply. Pure byte in, bytes out: the pty server does the I/O.

#include <cstdint>
#include <span>
#include <vector>

#include "sim/modbus_device.h"

namespace kvx::sim {

// A relay slow to prepare its reply: the first `eotPolls` polls after each
// message get DLE EOT. A relay short of buffers: every `nakEvery`th good
// message is refused with DLE NAK (0: never).
struct Df1Quirks {
  int eotPolls = 0;
  int nakEvery = 0;
};

class Df1Slave {
 public:
  static constexpr std::size_t kMaxPacket = 300;
  static constexpr std::uint8_t kStsIllegalCommand = 0x10;
  static constexpr std::uint8_t kStsAddressProblem = 0x50;

  Df1Slave(ModbusDevice& device, int station, int exceptionAt = -1, Df1Quirks quirks = {})
      : device_(device), station_(station), exceptionAt_(exceptionAt), quirks_(quirks) {}

  // The bytes to send in answer to `bytes` (often none).
  std::vector<std::uint8_t> Feed(std::span<const std::uint8_t> bytes);
  // The line fell silent: what is half received is resolved or dropped.
  std::vector<std::uint8_t> Silence();

  bool Idle() const { return state_ == State::Scan; }
  bool HasReply() const { return !pending_.empty(); }

  // The CRC-16 of DF1 (polynomial 0xA001, start 0).
  static std::uint16_t Crc(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

 private:
  enum class State {
    Scan,
    AfterDle,
    Station,
    StationDle,
    WantStx,
    WantStxDle,
    Packet,
    PacketDle,
    Check,
    PollStation,
    PollStationDle,
    PollCheck
  };

  void Step(std::uint8_t b, std::vector<std::uint8_t>& out);
  void FinishMessage(bool silence, std::vector<std::uint8_t>& out);
  std::vector<std::uint8_t> Execute();
  std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& packet, bool bcc) const;

  ModbusDevice& device_;
  int station_;
  int exceptionAt_;
  Df1Quirks quirks_;
  int goodMessages_ = 0;
  int pollsSinceMessage_ = 0;
  State state_ = State::Scan;
  int stationReceived_ = 0;
  std::vector<std::uint8_t> packet_;
  std::vector<std::uint8_t> check_;
  std::vector<std::uint8_t> pending_;  // reply frame for the next poll
};

}  // namespace kvx::sim
