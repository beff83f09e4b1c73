#include "setpoints/data_packet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "setpoints/number_text.h"

namespace kvx {

int DataPacket::FieldIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

bool IsValidFieldName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!letter && (i == 0 || !other)) return false;
  }
  return name != "RowState";
}

std::optional<long long> CellAsInteger(const Cell& cell) {
  if (IsNull(cell)) return 0;
  if (const double* d = std::get_if<double>(&cell)) {
    // Rounding would quietly turn register 122.4 into register 122.
    if (!(*d >= std::numeric_limits<int>::min() && *d <= std::numeric_limits<int>::max()) ||
        std::trunc(*d) != *d)
      return std::nullopt;
    return static_cast<long long>(*d);
  }
  return ParseInteger(std::get<std::string>(cell));
}

std::optional<double> CellAsNumber(const Cell& cell) {
  if (IsNull(cell)) return 0.0;
  if (const double* d = std::get_if<double>(&cell)) return *d;
  return ParseNumber(std::get<std::string>(cell));
}

std::string CellAsText(const Cell& cell) {
  if (IsNull(cell)) return {};
  if (const double* d = std::get_if<double>(&cell)) return FormatGeneral(*d);
  return std::get<std::string>(cell);
}

std::vector<std::size_t> RowsOrderedBy(const DataPacket& packet, int field) {
  std::vector<std::size_t> order(packet.rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (field < 0 || static_cast<std::size_t>(field) >= packet.fields.size()) return order;
  const auto f = static_cast<std::size_t>(field);
  // variant ordering: monostate < double < string, which puts nulls first.
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return packet.rows[a][f] < packet.rows[b][f];
  });
  return order;
}

std::vector<std::size_t> RowsWhere(const DataPacket& packet, int field, std::string_view text) {
  std::vector<std::size_t> out;
  if (field < 0 || static_cast<std::size_t>(field) >= packet.fields.size()) return out;
  const auto f = static_cast<std::size_t>(field);
  for (std::size_t i = 0; i < packet.rows.size(); ++i) {
    const Cell& c = packet.rows[i][f];
    if (const std::string* s = std::get_if<std::string>(&c)) {
      if (*s == text) out.push_back(i);
    } else if (!IsNull(c) && CellAsText(c) == text) {
      out.push_back(i);
    } else if (IsNull(c) && text.empty()) {
      out.push_back(i);
    }
  }
  return out;
}

bool SamePacket(const DataPacket& a, const DataPacket& b) {
  if (a.fields.size() != b.fields.size() || a.rows != b.rows) return false;
  for (std::size_t i = 0; i < a.fields.size(); ++i) {
    if (a.fields[i].name != b.fields[i].name || a.fields[i].type != b.fields[i].type ||
        a.fields[i].width != b.fields[i].width)
      return false;
  }
  return true;
}

}  // namespace kvx
