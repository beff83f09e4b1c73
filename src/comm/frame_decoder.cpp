#include "comm/frame_decoder.h"

#include <algorithm>

#include "comm/relay_registers.h"

namespace kvx {
namespace {

constexpr int kPasswordFirst = relay_reg::kPassword;
constexpr int kPasswordEnd = relay_reg::kPassword + relay_reg::kPasswordCount;

bool IsPasswordRegister(int reg) {
  return reg >= kPasswordFirst && reg < kPasswordEnd;
}

bool TouchesPassword(int first, int count) {
  return first < kPasswordEnd && first + count > kPasswordFirst;
}

std::string Num(long long n) {
  return std::to_string(n);
}

std::string Hex2(unsigned b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[(b >> 4) & 0xF] + kDigits[b & 0xF];
}

std::string Plural(int n, const char* one, const char* many) {
  return Num(n) + " " + (n == 1 ? one : many);
}

bool Any(const std::vector<bool>& flags) {
  return std::find(flags.begin(), flags.end(), true) != flags.end();
}

// Marks the two data bytes of each password register among `count` registers
// from `first`; `at(i, k)` is where byte k of register i sits in the frame.
template <typename Position>
void MarkRegisters(std::vector<bool>& hidden, int first, int count, Position at) {
  for (int i = 0; i < count; ++i) {
    if (!IsPasswordRegister(first + i)) continue;
    for (int k = 0; k < 2; ++k) {
      const std::size_t p = at(i, k);
      if (p < hidden.size()) hidden[p] = true;
    }
  }
}

int BigWord(std::span<const std::uint8_t> b, std::size_t at) {
  return (b[at] << 8) | b[at + 1];
}

// DF1: the undoubled bytes from `at` up to the next lone DLE, each with the
// position it had on the wire. `at` ends on that DLE (or the end).
struct Unstuffed {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> wire;
};

Unstuffed Unstuff(std::span<const std::uint8_t> b, std::size_t& at) {
  Unstuffed out;
  while (at < b.size()) {
    if (b[at] == kDf1Dle) {
      if (at + 1 >= b.size() || b[at + 1] != kDf1Dle) break;
      ++at;
    }
    out.bytes.push_back(b[at]);
    out.wire.push_back(at);
    ++at;
  }
  return out;
}

int LittleWord(const std::vector<std::uint8_t>& p, std::size_t at) {
  return p[at] | (p[at + 1] << 8);
}

}  // namespace

std::string MaskedHex(std::span<const std::uint8_t> bytes, const std::vector<bool>& hidden) {
  std::string text = FormatFrameHex(bytes);
  for (std::size_t i = 0; i < bytes.size() && i < hidden.size(); ++i) {
    if (hidden[i]) text.replace(3 * i, 2, "**");
  }
  return text;
}

DecodedFrame FrameDecoder::Decode(FrameDirection direction, std::span<const std::uint8_t> bytes) {
  if (protocol_ == ProtocolKind::Df1) return DecodeDf1(direction, bytes);
  return DecodeModbus(direction, bytes);
}

DecodedFrame FrameDecoder::DecodeModbus(FrameDirection direction,
                                        std::span<const std::uint8_t> bytes) {
  DecodedFrame d{std::vector<bool>(bytes.size(), false), {}};
  const bool tcp = protocol_ == ProtocolKind::ModbusTcp;
  const std::size_t pdu = tcp ? 7 : 1;
  const std::size_t trailer = tcp ? 0 : 2;  // the RTU CRC
  const std::size_t unitAt = tcp ? 6 : 0;
  auto hideCheck = [&] {
    if (!tcp && bytes.size() >= 2 && Any(d.hidden)) {
      d.hidden[bytes.size() - 1] = d.hidden[bytes.size() - 2] = true;
    }
  };
  if (direction == FrameDirection::Tx) {
    pending_.reset();
    if (bytes.size() < pdu + 5) {
      d.text = "request of " + Plural(static_cast<int>(bytes.size()), "byte", "bytes");
      return d;
    }
    const int function = bytes[pdu];
    const int first = BigWord(bytes, pdu + 1);
    const std::string unit = ", unit " + Num(bytes[unitAt]);
    const int count = function == 5 || function == 6 ? 1 : BigWord(bytes, pdu + 3);
    pending_ = Request{function, first, count};
    switch (function) {
      case 3:
        d.text = "read " + Plural(count, "register", "registers") + " from " + Num(first) + unit;
        break;
      case 16:
        d.text = "write " + Plural(count, "register", "registers") + " to " + Num(first) + unit;
        MarkRegisters(d.hidden, first, count, [&](int i, int k) {
          return pdu + 6 + 2 * static_cast<std::size_t>(i) + static_cast<std::size_t>(k);
        });
        break;
      case 6:
        d.text = "write register " + Num(first) + unit;
        MarkRegisters(d.hidden, first, 1,
                      [&](int, int k) { return pdu + 3 + static_cast<std::size_t>(k); });
        break;
      case 5:
        d.text = "force coil " + Num(first) + (BigWord(bytes, pdu + 3) == 0xFF00 ? " on" : " off") +
                 unit;
        break;
      default:
        d.text = "function " + Num(function) + unit;
        break;
    }
    hideCheck();
    return d;
  }
  if (bytes.empty()) {
    d.text = "no reply";
    return d;
  }
  if (bytes.size() < pdu + 2) {
    d.text = "reply of " + Plural(static_cast<int>(bytes.size()), "byte", "bytes");
  } else if ((bytes[pdu] & 0x80) != 0) {
    d.text = "exception " + Num(bytes[pdu + 1]);
  } else if (bytes[pdu] == 3) {
    d.text = Plural(bytes[pdu + 1] / 2, "register", "registers");
  } else if (bytes[pdu] == 16 && bytes.size() >= pdu + 5) {
    d.text = "wrote " + Plural(BigWord(bytes, pdu + 3), "register", "registers") + " at " +
             Num(BigWord(bytes, pdu + 1));
  } else if (bytes[pdu] == 5 && bytes.size() >= pdu + 5) {
    d.text = "coil " + Num(BigWord(bytes, pdu + 1)) +
             (BigWord(bytes, pdu + 3) == 0xFF00 ? " on" : " off");
  } else if (bytes[pdu] == 6) {
    d.text = "wrote register";
  } else {
    d.text = "reply, function " + Num(bytes[pdu]);
  }
  if (!pending_) return d;
  const Request request = *pending_;
  const bool read = request.function == 3 || request.function == 4;
  const bool exception = bytes.size() == pdu + 2 + trailer && (bytes[pdu] & 0x80) != 0;
  // A read reply carries the registers, a single write's reply echoes its value.
  if ((read || request.function == 6) && !exception &&
      TouchesPassword(request.first, request.count)) {
    const std::size_t data = 2 * static_cast<std::size_t>(request.count);
    if (read && bytes.size() == pdu + 2 + data + trailer && bytes[pdu] == request.function &&
        bytes[pdu + 1] == data) {
      MarkRegisters(d.hidden, request.first, request.count, [&](int i, int k) {
        return pdu + 2 + 2 * static_cast<std::size_t>(i) + static_cast<std::size_t>(k);
      });
      hideCheck();
    } else if (!read && bytes.size() == pdu + 5 + trailer && bytes[pdu] == 6) {
      MarkRegisters(d.hidden, request.first, 1,
                    [&](int, int k) { return pdu + 3 + static_cast<std::size_t>(k); });
      hideCheck();
    } else {
      d.hidden.assign(bytes.size(), true);
    }
  }
  return d;
}

DecodedFrame FrameDecoder::DecodeDf1(FrameDirection direction,
                                     std::span<const std::uint8_t> bytes) {
  DecodedFrame d{std::vector<bool>(bytes.size(), false), {}};
  if (bytes.empty()) {
    d.text = direction == FrameDirection::Rx ? "no reply" : "nothing";
    return d;
  }
  if (bytes.size() < 2 || bytes[0] != kDf1Dle) {
    d.text = Plural(static_cast<int>(bytes.size()), "byte", "bytes") + " out of frame";
    if (direction == FrameDirection::Rx && pending_ && pending_->function == kDf1CmdRead &&
        TouchesPassword(pending_->first, pending_->count)) {
      d.hidden.assign(bytes.size(), true);
    }
    return d;
  }
  const std::uint8_t control = bytes[1];
  if (bytes.size() == 2 && (control == kDf1Ack || control == kDf1Nak || control == kDf1Eot)) {
    d.text = control == kDf1Ack ? "ACK" : control == kDf1Nak ? "NAK" : "EOT (no reply ready)";
    return d;
  }
  if (direction == FrameDirection::Tx && control == kDf1Enq) {
    std::size_t at = 2;
    const Unstuffed station = Unstuff(bytes, at);
    d.text =
        "DLE ENQ station " + (station.bytes.empty() ? std::string("?") : Num(station.bytes[0]));
    return d;
  }
  if (direction == FrameDirection::Tx && control == kDf1Soh) {
    pending_.reset();
    std::size_t at = 2;
    const Unstuffed station = Unstuff(bytes, at);
    at += 2;  // DLE STX
    const Unstuffed packet = Unstuff(bytes, at);
    const std::size_t checkFrom = at + 2;  // after DLE ETX
    // The bytes after DLE ETX are the check and the pad: two and one in CRC
    // mode, one and one in BCC mode; the reply comes with the same check.
    if (bytes.size() >= checkFrom) {
      df1Check_ = bytes.size() - checkFrom >= 3 ? Df1Check::Crc : Df1Check::Bcc;
    }
    const auto& p = packet.bytes;
    if (p.size() < 8) {
      d.text = "message of " + Plural(static_cast<int>(p.size()), "byte", "bytes");
      return d;
    }
    const int first = LittleWord(p, 6) / 2;
    const std::string tail = ", unit " + Num(p[0]) + ", TNS " + Num(LittleWord(p, 4));
    if (p[2] == kDf1CmdRead && p.size() >= 10) {
      const int count = LittleWord(p, 8) / 2;
      pending_ = Request{kDf1CmdRead, first, count};
      d.text = "read " + Plural(count, "word", "words") + " from " + Num(first) + tail;
    } else if (p[2] == kDf1CmdWrite) {
      const int count = static_cast<int>((p.size() - 8) / 2);
      pending_ = Request{kDf1CmdWrite, first, count};
      d.text = "write " + Plural(count, "word", "words") + " to " + Num(first) + tail;
      if (first == kDf1CommandWord && count == 1) {
        d.text = "command " + Num(LittleWord(p, 8)) + tail;
      }
      MarkRegisters(d.hidden, first, count, [&](int i, int k) {
        return packet.wire[8 + 2 * static_cast<std::size_t>(i) + static_cast<std::size_t>(k)];
      });
      if (Any(d.hidden)) {
        for (std::size_t i = checkFrom; i < bytes.size(); ++i) d.hidden[i] = true;
      }
    } else {
      d.text = "CMD " + Hex2(p[2]) + tail;
    }
    (void)station;
    return d;
  }
  if (direction == FrameDirection::Rx && control == kDf1Stx) {
    const bool secret = pending_ && pending_->function == kDf1CmdRead &&
                        TouchesPassword(pending_->first, pending_->count);
    Df1Packet parsed;
    if (ParseDf1Reply(bytes, df1Check_, parsed) != CommError::None || parsed.size < 6) {
      d.text = "bad frame";
      if (secret) d.hidden.assign(bytes.size(), true);
      return d;
    }
    const auto p = parsed.View();
    const std::string tns = ", TNS " + Num(p[4] | (p[5] << 8));
    if (p[3] != 0) {
      d.text = "error status " + Hex2(p[3]) + tns;
    } else if ((p[2] & ~kDf1ReplyBit) == kDf1CmdRead) {
      d.text = Plural(static_cast<int>((p.size() - 6) / 2), "word", "words") + tns;
    } else {
      d.text = "done" + tns;
    }
    if (secret && p[3] == 0) {
      if (p.size() != 6 + 2 * static_cast<std::size_t>(pending_->count)) {
        d.hidden.assign(bytes.size(), true);
        return d;
      }
      std::size_t at = 2;
      const Unstuffed packet = Unstuff(bytes, at);
      MarkRegisters(d.hidden, pending_->first, pending_->count, [&](int i, int k) {
        return packet.wire[6 + 2 * static_cast<std::size_t>(i) + static_cast<std::size_t>(k)];
      });
      for (std::size_t i = at + 2; i < bytes.size(); ++i) d.hidden[i] = true;
    }
    return d;
  }
  d.text = "DLE " + Hex2(control) + ", " + Plural(static_cast<int>(bytes.size()), "byte", "bytes");
  return d;
}

}  // namespace kvx
