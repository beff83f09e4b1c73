#pragma once
// A-B DF1 half-duplex frames as pure functions over bounded byte buffers: the
// PCCC command packets, the master message and poll, the byte-by-byte reader
// of a reply frame, its parsing and the judging of its packet. The client,
// the tests, the fuzz target and the traffic decoder share them.
//
// Wire order of 16-bit packet fields is low byte first. A DLE (0x10) inside
// the station number or the packet goes out doubled; the check (CRC-16/ARC or
// BCC) covers the undoubled bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "comm/comm_error.h"
#include "comm/relay_registers.h"

namespace kvx {

inline constexpr std::uint8_t kDf1Dle = 0x10;
inline constexpr std::uint8_t kDf1Soh = 0x01;
inline constexpr std::uint8_t kDf1Stx = 0x02;
inline constexpr std::uint8_t kDf1Etx = 0x03;
inline constexpr std::uint8_t kDf1Eot = 0x04;
inline constexpr std::uint8_t kDf1Enq = 0x05;
inline constexpr std::uint8_t kDf1Ack = 0x06;
inline constexpr std::uint8_t kDf1Nak = 0x15;

// Follows every message and poll; its value means nothing to the relay. All
// ones looks like an idle line to a receiver that is still hunting for DLE.
inline constexpr std::uint8_t kDf1Pad = 0xFF;

inline constexpr std::uint8_t kDf1CmdRead = 0x01;   // PCCC unprotected read
inline constexpr std::uint8_t kDf1CmdWrite = 0x08;  // PCCC unprotected write
inline constexpr std::uint8_t kDf1ReplyBit = 0x40;  // set in the CMD of a reply

inline constexpr int kDf1MaxWordAddress = 9999;
inline constexpr int kDf1MaxWords = 100;  // per read or write
inline constexpr int kDf1CommandWord = relay_reg::kCommand;

inline constexpr std::size_t kDf1PacketHeader = 6;  // DST SRC CMD STS TNS TNS
// The longest packet: a write of kDf1MaxWords (a read reply is shorter).
inline constexpr std::size_t kDf1PacketCapacity = kDf1PacketHeader + 2 + 2 * kDf1MaxWords;
// The longest master message: every station and packet byte a doubled DLE.
inline constexpr std::size_t kDf1MessageCapacity = 2 + 2 + 2 + 2 * kDf1PacketCapacity + 2 + 2 + 1;
// A reply frame longer than this fails the exchange, unless the read it
// answers may legitimately be longer (see Df1ReplyLimit).
inline constexpr std::size_t kDf1ReplyBuffer = 300;
// The longest reply the reader ever holds: a read of kDf1MaxWords whose every
// byte is a doubled DLE, with DLE STX, DLE ETX and two CRC bytes.
inline constexpr std::size_t kDf1ReplyCapacity = 2 + 2 * (kDf1PacketHeader + 2 * kDf1MaxWords) + 4;

enum class Df1Check : std::uint8_t { Crc = 0, Bcc = 1 };

// A fixed-size byte buffer; Push past the capacity is refused (false).
template <std::size_t N>
struct Df1Buffer {
  std::array<std::uint8_t, N> bytes{};
  std::size_t size = 0;
  bool Push(std::uint8_t b) {
    if (size >= N) return false;
    bytes[size++] = b;
    return true;
  }
  std::span<const std::uint8_t> View() const { return {bytes.data(), size}; }
};

using Df1Packet = Df1Buffer<kDf1PacketCapacity>;
using Df1Message = Df1Buffer<kDf1MessageCapacity>;
using Df1ReplyFrame = Df1Buffer<kDf1ReplyCapacity>;

// CRC-16/ARC (polynomial 0xA001 reflected, start 0, no final XOR), table form.
std::uint16_t Df1Crc(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);
// The two's complement of the 8-bit sum of `bytes`.
std::uint8_t Df1Bcc(std::span<const std::uint8_t> bytes);

// Command packets. Callers check the limits first (see df1_client.h); only the
// low 16 bits of the byte address and the byte count go on the wire.
Df1Packet BuildDf1ReadPacket(std::uint8_t unit, std::uint8_t source, std::uint16_t tns,
                             int wordAddress, int count);
Df1Packet BuildDf1WritePacket(std::uint8_t unit, std::uint8_t source, std::uint16_t tns,
                              int wordAddress, std::span<const std::uint16_t> words);

// DLE SOH station DLE STX packet DLE ETX check pad, the station being the
// packet's DST.
Df1Message BuildDf1Message(std::span<const std::uint8_t> packet, Df1Check check);
// DLE ENQ station (two's complement of station) pad.
Df1Message BuildDf1Poll(std::uint8_t station);

// The longest reply frame the reader takes for a request whose reply packet
// carries `dataBytes` data bytes: the 300-byte buffer, or more when a reply of
// that size with doubled DLEs could be longer.
std::size_t Df1ReplyLimit(std::size_t dataBytes);

// Collects one reply frame byte by byte: DLE STX ... DLE ETX and its check
// (one byte BCC, two bytes CRC), or DLE EOT. The byte that would make the
// frame longer than its limit gives TooLong and is not kept.
class Df1ReplyReader {
 public:
  enum class Step { More, Complete, TooLong };
  Df1ReplyReader(Df1Check check, std::size_t limit)
      : check_(check), limit_(limit < kDf1ReplyCapacity ? limit : kDf1ReplyCapacity) {}
  Step Feed(std::uint8_t b);
  std::span<const std::uint8_t> Frame() const { return frame_.View(); }

 private:
  Df1Check check_;
  std::size_t limit_;
  Df1ReplyFrame frame_;
  bool afterDle_ = false;
  bool afterEtx_ = false;
  int checkBytes_ = 0;
};

// Parses a whole reply frame into its undoubled packet and tests its check.
// None: `packet` holds it. Df1NoData: DLE EOT (nothing to send yet).
// Df1BadFrame: not DLE STX, a misplaced DLE, a packet too long, or the check
// does not hold.
CommError ParseDf1Reply(std::span<const std::uint8_t> frame, Df1Check check, Df1Packet& packet);

// Judges a reply packet against its request, in order: the six header bytes
// (Df1PacketTooShort), CMD (WrongFunction), STS (Df1ErrorStatus), TNS
// (WrongTransaction), then for a read (count > 0) exactly 2 x count data
// bytes (WrongByteCount). Words are filled (words.size() >= count) only on
// None. Every verdict but None means "poll again".
CommError JudgeDf1Reply(std::span<const std::uint8_t> packet, std::uint8_t requestCmd,
                        std::uint16_t tns, int count, std::span<std::uint16_t> words);

}  // namespace kvx
