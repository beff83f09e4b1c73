#pragma once
// A data packet in memory: a column list and rows of cells. Definition files
// and setpoint files are data packets; data_packet_xml / data_packet_binary
// hold the two file forms. Cells are null, a number or a UTF-8 text.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kvx {

enum class FieldType {
  String,  // text of at most `width` characters
  Float8,  // 8-byte IEEE double
  Int4,
  Int2,
};

struct FieldDef {
  std::string name;
  FieldType type = FieldType::String;
  int width = 0;  // strings only
};

// The most cells (rows x columns) a file may hold: setting files have a few
// thousand; the bound keeps a hostile file from exhausting memory.
inline constexpr std::size_t kMaxPacketCells = 4'000'000;

using Cell = std::variant<std::monostate, double, std::string>;
using PacketRow = std::vector<Cell>;

struct DataPacket {
  std::vector<FieldDef> fields;
  std::vector<PacketRow> rows;  // every row has fields.size() cells

  // Index of the column named `name` (exact), or -1.
  int FieldIndex(std::string_view name) const;
};

// Column names are plain identifiers (letters, digits, '_', '-', '.'; not a
// digit first), so that every form can carry them as XML attribute names.
bool IsValidFieldName(std::string_view name);

inline bool IsNull(const Cell& c) {
  return std::holds_alternative<std::monostate>(c);
}

// Column conversions: a null reads as 0 or as an empty text; a number read as
// an integer must be whole (122.0 is 122, 122.4 is no integer); a text read as
// an integer must be a whole decimal number; a number read as a text is
// written in general form. nullopt where a conversion is impossible (or the
// integer leaves 32 bits).
std::optional<long long> CellAsInteger(const Cell& cell);
std::optional<double> CellAsNumber(const Cell& cell);
std::string CellAsText(const Cell& cell);

// The indices of all rows in ascending order of column `field` (nulls first,
// numbers by value, texts byte-wise); rows that compare equal keep file order.
std::vector<std::size_t> RowsOrderedBy(const DataPacket& packet, int field);

// The indices, in file order, of the rows whose column `field` reads as `text`.
std::vector<std::size_t> RowsWhere(const DataPacket& packet, int field, std::string_view text);

// Same columns (name, type, width) and same cells in the same order.
bool SamePacket(const DataPacket& a, const DataPacket& b);

}  // namespace kvx
