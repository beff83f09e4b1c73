#include "setpoints/data_packet_xml.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "setpoints/number_text.h"
#include "setpoints/text_encoding.h"

namespace kvx {
namespace {

constexpr std::size_t kMaxFields = 1024;
constexpr int kMaxWidth = 65535;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The encoding="..." of a leading XML declaration, lower-cased; empty if none.
std::string DeclaredEncoding(std::string_view bytes) {
  if (bytes.substr(0, 5) != "<?xml") return {};
  const std::size_t end = bytes.find("?>");
  if (end == std::string_view::npos) return {};
  const std::string_view decl = bytes.substr(0, end);
  const std::size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return {};
  std::size_t i = at + 8;
  while (i < decl.size() && (decl[i] == ' ' || decl[i] == '=')) ++i;
  if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return {};
  const char quote = decl[i++];
  const std::size_t close = decl.find(quote, i);
  if (close == std::string_view::npos) return {};
  return Lower(decl.substr(i, close - i));
}

bool HasUtf16Or32Mark(std::string_view b) {
  const auto u = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
  if (b.size() >= 2 && ((u(0) == 0xFF && u(1) == 0xFE) || (u(0) == 0xFE && u(1) == 0xFF)))
    return true;
  // "<?" in UTF-16 without a mark
  return b.size() >= 4 && ((u(0) == '<' && u(1) == 0) || (u(0) == 0 && u(1) == '<'));
}

// Brings the file's bytes to UTF-8 (or leaves a UTF-16/32 file to pugixml).
bool ToParserInput(std::string_view bytes, std::string& out, pugi::xml_encoding& enc,
                   std::string& error) {
  if (HasUtf16Or32Mark(bytes)) {
    out.assign(bytes);
    enc = pugi::encoding_auto;
    return true;
  }
  enc = pugi::encoding_utf8;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const std::string name = DeclaredEncoding(bytes);
  if (name.empty() || name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii") {
    if (!IsValidUtf8(bytes)) {
      error = "the file is not valid UTF-8";
      return false;
    }
    out.assign(bytes);
    return true;
  }
  if (name == "iso-8859-1" || name == "iso8859-1" || name == "latin1" || name == "latin-1" ||
      name == "l1" || name == "iso_8859-1") {
    out = Latin1ToUtf8(bytes);
    return true;
  }
  if (name == "windows-1252" || name == "cp1252") {
    out = Windows1252ToUtf8(bytes);
    return true;
  }
  error = "unsupported text encoding \"" + name + "\"";
  return false;
}

bool ParseFieldType(std::string_view t, FieldType& type) {
  if (t == "string" || t == "string.uni")
    type = FieldType::String;
  else if (t == "r8" || t == "r4" || t == "fixed")
    type = FieldType::Float8;
  else if (t == "i4" || t == "ui4" || t == "i8")
    type = FieldType::Int4;
  else if (t == "i2" || t == "ui2" || t == "i1" || t == "ui1")
    type = FieldType::Int2;
  else
    return false;
  return true;
}

const char* FieldTypeName(FieldType t) {
  switch (t) {
    case FieldType::String:
      return "string";
    case FieldType::Float8:
      return "r8";
    case FieldType::Int4:
      return "i4";
    case FieldType::Int2:
      return "i2";
  }
  return "string";
}

bool ReadFields(const pugi::xml_node& fieldsNode, DataPacket& p, std::string& error) {
  for (const pugi::xml_node& f : fieldsNode.children("FIELD")) {
    if (p.fields.size() == kMaxFields) {
      error = "too many columns";
      return false;
    }
    FieldDef def;
    def.name = f.attribute("attrname").as_string();
    if (!IsValidFieldName(def.name)) {
      error = "a column without a usable name";
      return false;
    }
    if (p.FieldIndex(def.name) >= 0) {
      error = "column " + def.name + " defined twice";
      return false;
    }
    if (!ParseFieldType(f.attribute("fieldtype").as_string(), def.type)) {
      error = "column " + def.name + " has an unsupported type \"" +
              f.attribute("fieldtype").as_string() + "\"";
      return false;
    }
    if (def.type == FieldType::String) {
      const auto w = ParseInteger(f.attribute("WIDTH").as_string());
      if (!w || *w < 1 || *w > kMaxWidth) {
        error = "column " + def.name + " has no valid WIDTH";
        return false;
      }
      def.width = static_cast<int>(*w);
    }
    p.fields.push_back(std::move(def));
  }
  if (p.fields.empty()) {
    error = "the packet defines no columns";
    return false;
  }
  return true;
}

// Writes the attributes of `row` over the cells in `cells`.
bool ReadCells(const pugi::xml_node& row, const DataPacket& p, PacketRow& cells,
               std::size_t rowNumber, std::string& error) {
  for (const pugi::xml_attribute& a : row.attributes()) {
    const int f = p.FieldIndex(a.name());
    if (f < 0) continue;  // RowState and attributes of no column
    const FieldDef& def = p.fields[static_cast<std::size_t>(f)];
    if (def.type == FieldType::String) {
      cells[static_cast<std::size_t>(f)] = std::string(a.value());
      continue;
    }
    const auto v = ParseNumber(a.value());
    if (!v) {
      error = "row " + std::to_string(rowNumber) + ": " + def.name + " is not a number";
      return false;
    }
    cells[static_cast<std::size_t>(f)] = *v;
  }
  return true;
}

bool ReadRows(const pugi::xml_node& rowData, DataPacket& p, std::string& error) {
  std::size_t number = 0;
  bool pendingOriginal = false;  // the last row was an original awaiting its modification
  // Counted before anything is allocated for them.
  std::size_t rowCount = 0;
  for ([[maybe_unused]] const pugi::xml_node& row : rowData.children("ROW")) ++rowCount;
  if (rowCount > kMaxPacketCells / p.fields.size()) {
    error = "too many rows";
    return false;
  }
  p.rows.reserve(rowCount);
  for (const pugi::xml_node& row : rowData.children("ROW")) {
    ++number;
    const pugi::xml_attribute stateAttr = row.attribute("RowState");
    long long state = 0;
    if (stateAttr) {
      const auto s = ParseInteger(stateAttr.value());
      if (!s) {
        error = "row " + std::to_string(number) + ": RowState is not a number";
        return false;
      }
      state = *s;
    }
    if (pendingOriginal && state != 8) {
      error = "row " + std::to_string(number) + ": a changed row lacks its modification";
      return false;
    }
    switch (state) {
      case 0:
      case 4: {  // unchanged or inserted
        PacketRow cells(p.fields.size());
        if (!ReadCells(row, p, cells, number, error)) return false;
        p.rows.push_back(std::move(cells));
        break;
      }
      case 2:  // deleted: not part of the data
        break;
      case 1: {  // original values; the modification follows
        PacketRow cells(p.fields.size());
        if (!ReadCells(row, p, cells, number, error)) return false;
        p.rows.push_back(std::move(cells));
        pendingOriginal = true;
        break;
      }
      case 8:
        if (!pendingOriginal) {
          error = "row " + std::to_string(number) + ": a modification without its original row";
          return false;
        }
        if (!ReadCells(row, p, p.rows.back(), number, error)) return false;
        pendingOriginal = false;
        break;
      default:
        error = "row " + std::to_string(number) + ": unsupported RowState " + std::to_string(state);
        return false;
    }
  }
  if (pendingOriginal) {
    error = "the last changed row lacks its modification";
    return false;
  }
  return true;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        // Other control characters cannot appear in XML 1.0 at all.
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
  }
}

}  // namespace

PacketResult ReadXmlPacket(std::string_view bytes) {
  std::string input;
  pugi::xml_encoding encoding = pugi::encoding_utf8;
  std::string error;
  if (!ToParserInput(bytes, input, encoding, error)) return PacketResult::Fail(error);

  pugi::xml_document doc;
  const pugi::xml_parse_result parsed =
      doc.load_buffer(input.data(), input.size(), pugi::parse_default, encoding);
  if (!parsed)
    return PacketResult::Fail(std::string("not well-formed XML: ") + parsed.description());

  const pugi::xml_node root = doc.child("DATAPACKET");
  if (!root) return PacketResult::Fail("no DATAPACKET element");
  const pugi::xml_node fields = root.child("METADATA").child("FIELDS");
  if (!fields) return PacketResult::Fail("no METADATA/FIELDS element");

  PacketResult result;
  if (!ReadFields(fields, result.packet, error)) return PacketResult::Fail(error);
  const pugi::xml_node rowData = root.child("ROWDATA");
  if (rowData && !ReadRows(rowData, result.packet, error)) return PacketResult::Fail(error);
  // pugixml converted UTF-16 input itself; make sure nothing malformed got in.
  if (encoding == pugi::encoding_auto) {
    for (const PacketRow& row : result.packet.rows) {
      for (const Cell& c : row) {
        if (const std::string* s = std::get_if<std::string>(&c); s && !IsValidUtf8(*s))
          return PacketResult::Fail("a text is not valid in its encoding");
      }
    }
  }
  result.ok = true;
  return result;
}

std::string WriteXmlPacket(const DataPacket& packet) {
  std::string out;
  out.reserve(256 + packet.rows.size() * 160);
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  out += "<DATAPACKET Version=\"2.0\">\n<METADATA>\n<FIELDS>\n";
  for (const FieldDef& f : packet.fields) {
    out += "<FIELD attrname=\"";
    AppendEscaped(out, f.name);
    out += "\" fieldtype=\"";
    out += FieldTypeName(f.type);
    out += '"';
    if (f.type == FieldType::String) {
      out += " WIDTH=\"";
      out += std::to_string(f.width);
      out += '"';
    }
    out += "/>\n";
  }
  out += "</FIELDS>\n<PARAMS/>\n</METADATA>\n<ROWDATA>\n";
  for (const PacketRow& row : packet.rows) {
    out += "<ROW";
    for (std::size_t i = 0; i < packet.fields.size() && i < row.size(); ++i) {
      const Cell& c = row[i];
      if (IsNull(c)) continue;
      out += ' ';
      out += packet.fields[i].name;
      out += "=\"";
      if (const double* d = std::get_if<double>(&c)) {
        out += FormatShortest(*d);
      } else {
        AppendEscaped(out, std::get<std::string>(c));
      }
      out += '"';
    }
    out += "/>\n";
  }
  out += "</ROWDATA>\n</DATAPACKET>\n";
  return out;
}

}  // namespace kvx
