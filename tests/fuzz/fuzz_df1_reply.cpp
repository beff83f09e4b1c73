// Fuzzes the DF1 reply reader, parser and judge. Input: one byte choosing the
// check (bit 0: BCC) and read / write (bit 1: write), one byte giving the word
// count, then the bytes as they came off the line. The reader must stop
// within its limit; a frame that parses must carry a check that holds over
// its undoubled packet; a packet that passes must be whole for its request.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "comm/df1_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto check = (data[0] & 1) ? kvx::Df1Check::Bcc : kvx::Df1Check::Crc;
  const bool write = (data[0] & 2) != 0;
  const int count = write ? 0 : 1 + data[1] % kvx::kDf1MaxWords;
  std::span<const std::uint8_t> line(data + 2, size - 2);

  const std::size_t limit = kvx::Df1ReplyLimit(2 * static_cast<std::size_t>(count));
  kvx::Df1ReplyReader reader(check, limit);
  auto step = kvx::Df1ReplyReader::Step::More;
  std::size_t taken = 0;
  for (std::uint8_t b : line) {
    ++taken;
    step = reader.Feed(b);
    if (step != kvx::Df1ReplyReader::Step::More) break;
  }
  if (step == kvx::Df1ReplyReader::Step::TooLong) {
    // Refused exactly at the byte past the limit, which is not kept.
    if (taken != limit + 1 || reader.Frame().size() != limit) __builtin_trap();
  } else if (reader.Frame().size() != taken || taken > limit) {
    __builtin_trap();
  }

  // The parser on its own, also on what the reader would not have ended on.
  for (auto frame : {reader.Frame(), line}) {
    kvx::Df1Packet packet;
    const kvx::CommError parsed = kvx::ParseDf1Reply(frame, check, packet);
    if (parsed != kvx::CommError::None) continue;
    if (frame.size() < (check == kvx::Df1Check::Crc ? 6u : 5u) || frame[0] != kvx::kDf1Dle ||
        frame[1] != kvx::kDf1Stx)
      __builtin_trap();
    const auto p = packet.View();
    if (check == kvx::Df1Check::Crc) {
      std::vector<std::uint8_t> covered(p.begin(), p.end());
      covered.push_back(kvx::kDf1Etx);
      const std::uint16_t crc = kvx::Df1Crc(covered);
      if (frame[frame.size() - 2] != (crc & 0xFF) || frame[frame.size() - 1] != (crc >> 8))
        __builtin_trap();
    } else if (frame[frame.size() - 1] != kvx::Df1Bcc(p)) {
      __builtin_trap();
    }
    std::vector<std::uint16_t> words(static_cast<std::size_t>(count), 0xEEEE);
    const std::uint16_t tns = p.size() >= 6 ? static_cast<std::uint16_t>(p[4] | (p[5] << 8)) : 0;
    const std::uint8_t cmd = write ? kvx::kDf1CmdWrite : kvx::kDf1CmdRead;
    if (kvx::JudgeDf1Reply(p, cmd, tns, count, words) != kvx::CommError::None) continue;
    if (p.size() < 6 || p[3] != 0 || p[2] != (cmd | kvx::kDf1ReplyBit)) __builtin_trap();
    if (!write && p.size() != 6 + 2 * static_cast<std::size_t>(count)) __builtin_trap();
  }
  return 0;
}
