#include "setpoints/data_packet_binary.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "setpoints/crc32.h"
#include "setpoints/text_encoding.h"

namespace kvx {
namespace {

constexpr std::uint16_t kVersion = 1;
constexpr std::uint32_t kMaxFields = 1024;

class Reader {
 public:
  explicit Reader(std::string_view b) : bytes_(b) {}
  std::size_t Left() const { return bytes_.size() - pos_; }
  bool Bytes(std::size_t n, std::string_view& out) {
    if (n > Left()) return false;
    out = bytes_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  template <class T>
  bool Int(T& v) {
    std::string_view b;
    if (!Bytes(sizeof(T), b)) return false;
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      x |= static_cast<std::uint64_t>(static_cast<unsigned char>(b[i])) << (8 * i);
    v = static_cast<T>(x);
    return true;
  }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

template <class T>
void PutInt(std::string& out, T v) {
  const auto x = static_cast<std::uint64_t>(v);
  for (std::size_t i = 0; i < sizeof(T); ++i) out += static_cast<char>((x >> (8 * i)) & 0xFF);
}

std::uint8_t TypeCode(FieldType t) {
  switch (t) {
    case FieldType::String:
      return 0;
    case FieldType::Float8:
      return 1;
    case FieldType::Int4:
      return 2;
    case FieldType::Int2:
      return 3;
  }
  return 0;
}

}  // namespace

PacketResult ReadBinaryPacket(std::string_view bytes) {
  if (bytes.size() < kBinaryPacketMagic.size() + 16 ||
      bytes.substr(0, kBinaryPacketMagic.size()) != kBinaryPacketMagic)
    return PacketResult::Fail("not a binary data packet");
  const std::string_view body = bytes.substr(0, bytes.size() - 4);
  Reader tail(bytes.substr(bytes.size() - 4));
  std::uint32_t stored = 0;
  tail.Int(stored);
  if (Crc32(body) != stored)
    return PacketResult::Fail("checksum mismatch (damaged or truncated file)");

  Reader r(body.substr(kBinaryPacketMagic.size()));
  std::uint16_t version = 0, reserved = 0;
  std::uint32_t fieldCount = 0;
  if (!r.Int(version) || !r.Int(reserved) || !r.Int(fieldCount))
    return PacketResult::Fail("truncated header");
  if (version != kVersion)
    return PacketResult::Fail("unsupported format version " + std::to_string(version));
  if (fieldCount == 0 || fieldCount > kMaxFields) return PacketResult::Fail("bad column count");

  PacketResult result;
  DataPacket& p = result.packet;
  for (std::uint32_t i = 0; i < fieldCount; ++i) {
    std::uint8_t type = 0, pad = 0;
    std::uint16_t width = 0, nameLength = 0;
    std::string_view name;
    if (!r.Int(type) || !r.Int(pad) || !r.Int(width) || !r.Int(nameLength) ||
        !r.Bytes(nameLength, name))
      return PacketResult::Fail("truncated column list");
    FieldDef def;
    switch (type) {
      case 0:
        def.type = FieldType::String;
        break;
      case 1:
        def.type = FieldType::Float8;
        break;
      case 2:
        def.type = FieldType::Int4;
        break;
      case 3:
        def.type = FieldType::Int2;
        break;
      default:
        return PacketResult::Fail("unknown column type");
    }
    def.name.assign(name);
    if (!IsValidFieldName(def.name) || p.FieldIndex(def.name) >= 0)
      return PacketResult::Fail("bad or repeated column name");
    if (def.type == FieldType::String && width == 0) return PacketResult::Fail("bad column width");
    def.width = def.type == FieldType::String ? width : 0;
    p.fields.push_back(std::move(def));
  }

  std::uint32_t rowCount = 0;
  if (!r.Int(rowCount)) return PacketResult::Fail("truncated row count");
  // Every cell takes at least one byte: a count beyond that cannot be true.
  if (rowCount > r.Left() / fieldCount) return PacketResult::Fail("row count beyond the file");
  if (rowCount > kMaxPacketCells / fieldCount) return PacketResult::Fail("too many rows");
  p.rows.reserve(rowCount);
  for (std::uint32_t row = 0; row < rowCount; ++row) {
    PacketRow cells(fieldCount);
    for (std::uint32_t f = 0; f < fieldCount; ++f) {
      std::uint8_t present = 0;
      if (!r.Int(present) || present > 1) return PacketResult::Fail("damaged row data");
      if (!present) continue;
      if (p.fields[f].type == FieldType::String) {
        std::uint32_t length = 0;
        std::string_view text;
        if (!r.Int(length) || !r.Bytes(length, text)) return PacketResult::Fail("truncated text");
        if (!IsValidUtf8(text)) return PacketResult::Fail("a text is not valid UTF-8");
        cells[f] = std::string(text);
      } else {
        std::uint64_t raw = 0;
        if (!r.Int(raw)) return PacketResult::Fail("truncated number");
        const double v = std::bit_cast<double>(raw);
        if (!std::isfinite(v)) return PacketResult::Fail("a number is not finite");
        cells[f] = v;
      }
    }
    p.rows.push_back(std::move(cells));
  }
  if (r.Left() != 0) return PacketResult::Fail("unexpected bytes after the rows");
  result.ok = true;
  return result;
}

std::string WriteBinaryPacket(const DataPacket& packet) {
  std::string out(kBinaryPacketMagic);
  PutInt<std::uint16_t>(out, kVersion);
  PutInt<std::uint16_t>(out, 0);
  PutInt<std::uint32_t>(out, static_cast<std::uint32_t>(packet.fields.size()));
  for (const FieldDef& f : packet.fields) {
    out += static_cast<char>(TypeCode(f.type));
    out += '\0';
    PutInt<std::uint16_t>(out, static_cast<std::uint16_t>(f.width));
    PutInt<std::uint16_t>(out, static_cast<std::uint16_t>(f.name.size()));
    out += f.name;
  }
  PutInt<std::uint32_t>(out, static_cast<std::uint32_t>(packet.rows.size()));
  for (const PacketRow& row : packet.rows) {
    for (std::size_t i = 0; i < packet.fields.size(); ++i) {
      const Cell& c = i < row.size() ? row[i] : Cell{};
      if (IsNull(c)) {
        out += '\0';
        continue;
      }
      out += '\1';
      if (packet.fields[i].type == FieldType::String) {
        const std::string text = CellAsText(c);
        PutInt<std::uint32_t>(out, static_cast<std::uint32_t>(text.size()));
        out += text;
      } else {
        const auto v = CellAsNumber(c);
        PutInt<std::uint64_t>(out, std::bit_cast<std::uint64_t>(v ? *v : 0.0));
      }
    }
  }
  PutInt<std::uint32_t>(out, Crc32(out));
  return out;
}

}  // namespace kvx
