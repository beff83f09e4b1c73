// Data packets in both file forms: what is read, what is refused, and that
// what is written reads back the same.

#include <gtest/gtest.h>

#include <string>

#include "setpoints/crc32.h"
#include "setpoints/data_packet.h"
#include "setpoints/data_packet_binary.h"
#include "setpoints/data_packet_file.h"
#include "setpoints/data_packet_xml.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

std::string Packet(const std::string& rows,
                   const std::string& declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>") {
  return declaration +
         "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
         "<FIELD attrname=\"NAME\" fieldtype=\"string\" WIDTH=\"20\"/>"
         "<FIELD attrname=\"NUM\" fieldtype=\"r8\"/>"
         "</FIELDS><PARAMS CHANGE_LOG=\"\"/></METADATA><ROWDATA>" +
         rows + "</ROWDATA></DATAPACKET>";
}

std::string Name(const DataPacket& p, std::size_t row) {
  return CellAsText(p.rows[row][0]);
}

TEST(XmlPacket, ReadsColumnsRowsAndNulls) {
  const PacketResult r = ReadXmlPacket(
      Packet("<ROW NAME=\"a\" NUM=\"1.5\"/><ROW NUM=\"-2\"/><ROW NAME=\"\"/><ROW UNKNOWN=\"x\"/>"));
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.packet.fields.size(), 2u);
  EXPECT_EQ(r.packet.fields[0].width, 20);
  EXPECT_EQ(r.packet.fields[1].type, FieldType::Float8);
  ASSERT_EQ(r.packet.rows.size(), 4u);
  EXPECT_EQ(std::get<double>(r.packet.rows[0][1]), 1.5);
  EXPECT_TRUE(IsNull(r.packet.rows[1][0]));
  EXPECT_EQ(std::get<std::string>(r.packet.rows[2][0]), "");
  EXPECT_TRUE(IsNull(r.packet.rows[3][0]) && IsNull(r.packet.rows[3][1]));
}

TEST(XmlPacket, DecodesTheFiveEscapesAndCharacterReferences) {
  const PacketResult r =
      ReadXmlPacket(Packet("<ROW NAME=\"&amp;&lt;&gt;&quot;&apos;&#10;&#x41;\"/>"));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(Name(r.packet, 0), "&<>\"'\nA");
}

TEST(XmlPacket, HonoursTheDeclaredEncoding) {
  struct Case {
    std::string declaration;
    std::string raw;       // the name as bytes in that encoding
    std::string expected;  // as UTF-8
  };
  const Case cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
       "Gr\xC3\xBC\xC3\x9F"
       "e",
       "Gr\xC3\xBC\xC3\x9F"
       "e"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
       "Gr\xFC\xDF"
       "e",
       "Gr\xC3\xBC\xC3\x9F"
       "e"},
      {"<?xml version='1.0' encoding='windows-1252'?>", "\x80 5", "\xE2\x82\xAC 5"},
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?>",
       "\xC2\xB0"
       "C",
       "\xC2\xB0"
       "C"},
  };
  for (const Case& c : cases) {
    const PacketResult r = ReadXmlPacket(Packet("<ROW NAME=\"" + c.raw + "\"/>", c.declaration));
    ASSERT_TRUE(r.ok) << c.declaration << ": " << r.error;
    EXPECT_EQ(Name(r.packet, 0), c.expected) << c.declaration;
  }
}

TEST(XmlPacket, ReadsUtf16WithByteOrderMark) {
  const std::string utf8 = Packet("<ROW NAME=\"\xC3\xA9t\xC3\xA9\" NUM=\"3\"/>",
                                  "<?xml version=\"1.0\" encoding=\"UTF-16\"?>");
  std::string utf16 = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    unsigned cp = c;
    if (c == 0xC3) cp = 0xC0 | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
    utf16 += static_cast<char>(cp & 0xFF);
    utf16 += static_cast<char>(cp >> 8);
  }
  const PacketResult r = ReadXmlPacket(utf16);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(Name(r.packet, 0), "\xC3\xA9t\xC3\xA9");
}

TEST(XmlPacket, MergesAChangeLog) {
  const PacketResult r = ReadXmlPacket(
      Packet("<ROW NAME=\"keep\" NUM=\"1\"/>"
             "<ROW RowState=\"2\" NAME=\"deleted\" NUM=\"2\"/>"
             "<ROW RowState=\"4\" NAME=\"inserted\" NUM=\"3\"/>"
             "<ROW RowState=\"1\" NAME=\"old\" NUM=\"4\"/><ROW RowState=\"8\" NAME=\"new\"/>"));
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.packet.rows.size(), 3u);
  EXPECT_EQ(Name(r.packet, 0), "keep");
  EXPECT_EQ(Name(r.packet, 1), "inserted");
  EXPECT_EQ(Name(r.packet, 2), "new");
  EXPECT_EQ(std::get<double>(r.packet.rows[2][1]), 4.0);  // unchanged field kept from the original
}

TEST(XmlPacket, RefusesWhatItCannotReadSafely) {
  const std::string cases[] = {
      "",
      "<DATAPACKET>",
      "<OTHER/>",
      "<DATAPACKET><METADATA><FIELDS/></METADATA></DATAPACKET>",
      Packet("<ROW NUM=\"1,5\"/>"),
      Packet("<ROW NUM=\"inf\"/>"),
      Packet("<ROW RowState=\"8\" NAME=\"orphan\"/>"),
      Packet("<ROW RowState=\"1\" NAME=\"a\"/><ROW NAME=\"b\"/>"),
      Packet("<ROW RowState=\"1\" NAME=\"a\"/>"),
      Packet("<ROW RowState=\"16\" NAME=\"a\"/>"),
      Packet("<ROW NAME=\"\xC3\"/>"),  // invalid UTF-8
      Packet("", "<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?>"),
      "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"string\"/></FIELDS>"
      "</METADATA></DATAPACKET>",
      "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"r8\"/>"
      "<FIELD attrname=\"A\" fieldtype=\"r8\"/></FIELDS></METADATA></DATAPACKET>",
      "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"A\" fieldtype=\"bin.hex\"/></FIELDS>"
      "</METADATA></DATAPACKET>",
  };
  for (const std::string& c : cases) {
    const PacketResult r = ReadXmlPacket(c);
    EXPECT_FALSE(r.ok) << c;
    EXPECT_FALSE(r.error.empty()) << c;
    EXPECT_TRUE(r.packet.rows.empty() && r.packet.fields.empty()) << c;
  }
}

TEST(XmlPacket, RefusesMoreCellsThanAnySettingFileCouldHold) {
  std::string x = "<DATAPACKET><METADATA><FIELDS>";
  for (int i = 0; i < 1000; ++i)
    x += "<FIELD attrname=\"F" + std::to_string(i) + "\" fieldtype=\"r8\"/>";
  x += "</FIELDS></METADATA><ROWDATA>";
  std::string rows;
  for (int i = 0; i < 4000; ++i) rows += "<ROW/>";
  const PacketResult r = ReadXmlPacket(x + rows + "<ROW/></ROWDATA></DATAPACKET>");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "too many rows");
}

DataPacket Awkward() {
  DataPacket p;
  p.fields = {{"TEXT", FieldType::String, 40},
              {"NUM", FieldType::Float8, 0},
              {"SMALL", FieldType::Int2, 0}};
  p.rows = {{std::string("& < > \" ' \xC3\xA4\xC3\xB6\xC3\xBC \xE2\x82\xAC"), 0.1, 3.0},
            {std::string("tab\tline\nreturn\r"), -1e300, Cell{}},
            {Cell{}, 123456789.125, -7.0},
            {std::string(""), 0.0, Cell{}}};
  return p;
}

TEST(PacketForms, BothFormsRoundTripAwkwardTexts) {
  const DataPacket p = Awkward();
  const PacketResult fromXml = ReadXmlPacket(WriteXmlPacket(p));
  ASSERT_TRUE(fromXml.ok) << fromXml.error;
  EXPECT_TRUE(SamePacket(fromXml.packet, p));
  const PacketResult fromBinary = ReadBinaryPacket(WriteBinaryPacket(p));
  ASSERT_TRUE(fromBinary.ok) << fromBinary.error;
  EXPECT_TRUE(SamePacket(fromBinary.packet, p));
}

TEST(BinaryPacket, RefusesEveryTruncation) {
  const std::string bytes = WriteBinaryPacket(Awkward());
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const PacketResult r = ReadBinaryPacket(std::string_view(bytes).substr(0, n));
    EXPECT_FALSE(r.ok) << "length " << n;
    EXPECT_TRUE(r.packet.rows.empty()) << "length " << n;
  }
  EXPECT_FALSE(ReadBinaryPacket(bytes + "x").ok);
}

TEST(BinaryPacket, RefusesEverySingleBitFlip) {
  const std::string bytes = WriteBinaryPacket(Awkward());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      std::string damaged = bytes;
      damaged[i] = static_cast<char>(damaged[i] ^ (1 << bit));
      EXPECT_FALSE(ReadBinaryPacket(damaged).ok) << "byte " << i << " bit " << bit;
    }
  }
}

TEST(BinaryPacket, BoundsCountsEvenWithAValidChecksum) {
  // Forged counts and lengths with a correct checksum: refused, not trusted.
  DataPacket p;
  p.fields = {{"A", FieldType::String, 5}};
  p.rows = {{std::string("abc")}};
  const std::string good = WriteBinaryPacket(p);
  const auto forge = [&](std::size_t at, std::string_view bytes) {
    std::string body = good.substr(0, good.size() - 4);
    body.replace(at, bytes.size(), bytes);
    const std::uint32_t crc = Crc32(body);
    for (int i = 0; i < 4; ++i) body += static_cast<char>((crc >> (8 * i)) & 0xFF);
    return body;
  };
  const std::size_t fieldCountAt = 12, rowCountAt = 16 + 1 + 1 + 2 + 2 + 1;
  const std::size_t textLengthAt = rowCountAt + 4 + 1;
  EXPECT_TRUE(ReadBinaryPacket(forge(0, "K")).ok);  // the forge itself keeps a file valid
  EXPECT_FALSE(ReadBinaryPacket(forge(fieldCountAt, std::string("\xFF\xFF\x00\x00", 4))).ok);
  EXPECT_FALSE(ReadBinaryPacket(forge(rowCountAt, std::string("\xFF\xFF\xFF\x7F", 4))).ok);
  EXPECT_FALSE(ReadBinaryPacket(forge(textLengthAt, std::string("\xF0\xFF\xFF\xFF", 4))).ok);
  EXPECT_FALSE(ReadBinaryPacket(forge(8, std::string("\x02\x00", 2))).ok);  // format version
}

TEST(PacketQueries, OrderPutsNullsFirstAndKeepsFileOrderForTies) {
  DataPacket p;
  p.fields = {{"K", FieldType::Float8, 0}, {"T", FieldType::String, 5}};
  p.rows = {{3.0, std::string("a")},
            {Cell{}, std::string("b")},
            {1.0, std::string("c")},
            {3.0, std::string("d")},
            {Cell{}, std::string("e")}};
  std::string order;
  for (std::size_t i : RowsOrderedBy(p, 0)) order += CellAsText(p.rows[i][1]);
  EXPECT_EQ(order, "becad");
  EXPECT_EQ(RowsWhere(p, 1, "d"), std::vector<std::size_t>{3});
  EXPECT_EQ(RowsWhere(p, 0, "3"), (std::vector<std::size_t>{0, 3}));
}

TEST(PacketQueries, ColumnConversions) {
  EXPECT_EQ(CellAsInteger(Cell{}), 0);
  EXPECT_EQ(CellAsInteger(Cell{122.0}), 122);
  EXPECT_EQ(CellAsInteger(Cell{-0.0}), 0);
  EXPECT_EQ(CellAsInteger(Cell{-2147483648.0}), -2147483648LL);
  EXPECT_FALSE(CellAsInteger(Cell{2147483648.0}));
  for (double fraction : {122.4, 2.5, -2.5, 0.5, 1e-300, 122.00000000000001})
    EXPECT_FALSE(CellAsInteger(Cell{fraction})) << fraction;
  EXPECT_EQ(CellAsInteger(Cell{std::string("190")}), 190);
  EXPECT_FALSE(CellAsInteger(Cell{std::string("1.9")}));
  EXPECT_FALSE(CellAsInteger(Cell{1e12}));
  EXPECT_EQ(CellAsNumber(Cell{std::string("0.5")}), 0.5);
  EXPECT_EQ(CellAsText(Cell{}), "");
  EXPECT_EQ(CellAsText(Cell{0.5}), "0.5");
  EXPECT_EQ(CellAsText(Cell{100.0}), "100");
}

TEST(PacketFiles, FormFollowsTheNameAndReadingSniffsTheBytes) {
  EXPECT_EQ(PacketFormForPath("a/b.xml"), PacketForm::Xml);
  EXPECT_EQ(PacketFormForPath("B.XmL"), PacketForm::Xml);
  EXPECT_EQ(PacketFormForPath("b.cds"), PacketForm::Binary);
  EXPECT_EQ(PacketFormForPath("xml"), PacketForm::Binary);
  test::ScratchFolder dir;
  const DataPacket p = Awkward();
  // A binary file named .xml still reads: the reader goes by the content.
  ASSERT_TRUE(WritePacketFile(dir / "odd.xml", p, PacketForm::Binary).ok);
  const PacketResult r = ReadPacketFile(dir / "odd.xml");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(SamePacket(r.packet, p));
}

TEST(PacketFiles, AFailedWriteLeavesThePreviousFileAndNoTemporaries) {
  test::ScratchFolder dir;
  const auto target = dir.Write("keep.cds", "previous contents");
  std::filesystem::create_directory(dir / "blocked");
  // Renaming a file over a directory fails: the write must report it and
  // clean up after itself.
  const WriteResult w = WritePacketFile(dir / "blocked", Awkward(), PacketForm::Binary);
  EXPECT_FALSE(w.ok);
  EXPECT_FALSE(w.error.empty());
  EXPECT_EQ(test::ReadWholeFile(target), "previous contents");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2);
  EXPECT_FALSE(WritePacketFile(dir / "missing" / "x.cds", Awkward(), PacketForm::Binary).ok);
}

}  // namespace
}  // namespace kvx
