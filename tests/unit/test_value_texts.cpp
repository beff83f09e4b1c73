// Register words -> value texts -> display texts, and value texts -> words.
// Every table also runs under a German locale, whose decimal comma must not
// leak into a value text.

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <string>
#include <vector>

#include "setpoints/format_value.h"
#include "setpoints/number_text.h"
#include "setpoints/setting_codec.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

struct FormatCase {
  int code;
  const char* value;
  const char* display;
};

const FormatCase kFormatCases[] = {
    // numbers
    {1, "1.50", "1.50"},
    {1, "2", "2.00"},
    {1, "1234.5", "1234.50"},
    {1, "0.125", "0.13"},  // halves away from zero
    {1, "-0.125", "-0.13"},
    {1, "-0.001", "0.00"},
    {1, "1000000000000", "1000000000000.00"},
    {1, "15000000000000", "1.5000 E+13"},
    {1, "-15000000000000", "-1.5000 E+13"},
    {1, "1e100", "1.0000 E+100"},
    {2, "-1", "-1.00"},
    {4, "7", "7.00"},
    {1, "", "Over Range"},
    {1, "INF", "Over Range"},
    {1, "NAN", "Over Range"},
    {1, "1,5", "Over Range"},
    {1, "abc", "Over Range"},
    // unchanged
    {3, "65535", "65535"},
    {22, "Pump 3 & <Fan>", "Pump 3 & <Fan>"},
    // lists
    {6, "1", "Disabled"},
    {6, "1.7", "Disabled"},
    {6, "0", "Enabled"},
    {6, "2", "ERROR"},
    {6, "-1", "ERROR"},
    {6, "-0.5", "ERROR"},
    {6, "x", "ERROR"},
    {312, "19", "Reduced OC"},
    {27, "255", "No Trip or Alarm Code"},
    {79, "26", "26 Reserved"},
    {35, "0", "Error"},
    {36, "0", "Error"},
    {78, "1", "ERROR"},
    // flag names
    {45, "5", "Main Overcurrent Trip\nOverload Trip\n"},
    {46, "1", "Undervoltage Trip\n"},
    {45, "0", ""},
    {59, "32768", "Reserved\n"},
    {345, "3", "Overload Trip G1\nOverload Trip G2\n"},
    {346, "1", "EF-CT Timed Trip G1\n"},
    {23, "x", "ERROR"},
    {24, "1e300", "ERROR"},
    // never displayable
    {28, "1", "ERROR"},
    {30, "1", "ERROR"},
    {31, "ABC", "ERROR"},
    {0, "1", "ERROR"},
    {5, "1", "ERROR"},
    {378, "1", "ERROR"},
    {-3, "1", "ERROR"},
};

void ExpectFormatTable() {
  for (const FormatCase& c : kFormatCases) {
    EXPECT_EQ(FormatValue(c.code, c.value), c.display) << "code " << c.code << " value " << c.value;
  }
}

struct DecodeCase {
  int code;
  std::vector<std::uint16_t> words;
  const char* value;
};

const DecodeCase kDecodeCases[] = {
    {1, {0x0000, 0x3FC0}, "1.50"},
    {1, {0x0000, 0xBFC0}, "-1.50"},
    {1, {0x0000, 0x7F80}, "INF"},
    {1, {0x0001, 0x7FC0}, "NAN"},
    {2, {0xFFFF, 0xFFFF}, "-1"},
    {2, {0x0000, 0x8000}, "-2147483648"},
    {2, {0x1C20, 0x0000}, "7200"},
    {3, {0xFFFF}, "65535"},
    {6, {1}, "1"},
    {28, {12}, "12"},
    {35, {3}, "3"},
    {22, {0x4142, 0x4300, 0, 0, 0, 0, 0, 0, 0, 0}, "ABC"},
    {22,
     {0x4142, 0x4344, 0x4546, 0x4748, 0x494A, 0x4B4C, 0x4D4E, 0x4F50, 0x5152, 0x5354},
     "ABCDEFGHIJKLMNOPQRST"},
    {22, {0x00FF, 0, 0, 0, 0, 0, 0, 0, 0, 0}, ""},
    {22,
     {0xB041, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     "\xC2\xB0"
     "A"},  // Latin-1 degree sign
    {23, {0x0C05, 2009}, "5/12/2009"},
    {4, {0, 0}, "ERROR"},
    {24, {0, 0}, "ERROR"},
    {31, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "ERROR"},
    {45, {0}, "ERROR"},
    {78, {0}, "ERROR"},
    {5, {0}, "ERROR"},
};

void ExpectDecodeTable() {
  for (const DecodeCase& c : kDecodeCases) {
    EXPECT_EQ(DecodeSetting(c.code, c.words), c.value) << "code " << c.code;
  }
}

struct EncodeCase {
  int code;
  const char* value;
  EncodedSetting::Kind kind;
  std::vector<std::uint16_t> words;
};

using K = EncodedSetting::Kind;
const EncodeCase kEncodeCases[] = {
    {1, "1.5", K::Words, {0x0000, 0x3FC0}},
    {1, "-1.5", K::Words, {0x0000, 0xBFC0}},
    {2, "-2.9", K::Words, {0xFFFE, 0xFFFF}},
    {2, "70000", K::Words, {0x1170, 0x0001}},
    {3, "70000", K::Words, {4464}},
    {3, "2.5", K::Words, {3}},
    {3, "-2.5", K::Words, {0xFFFD}},
    {3, "2.4", K::Words, {2}},
    {6, "1", K::Words, {1}},
    {22, "AB", K::Words, {0x4142, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {22,
     "ABCDEFGHIJKLMNOPQRSTUV",
     K::Words,
     {0x4142, 0x4344, 0x4546, 0x4748, 0x494A, 0x4B4C, 0x4D4E, 0x4F50, 0x5152, 0x5354}},
    {22,
     "\xC2\xB0"
     "C",
     K::Words,
     {0xB043, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {31,
     "26/05/14 10:30:00",
     K::Words,
     {0x3236, 0x2F30, 0x352F, 0x3134, 0x2031, 0x303A, 0x3330, 0x3A30, 0x3000, 0}},
    {23, "1", K::Nothing, {}},
    {24, "1", K::Nothing, {}},
    {28, "1", K::Nothing, {}},
    {35, "1", K::Nothing, {}},
    {45, "1", K::Nothing, {}},
    {78, "1", K::Nothing, {}},
    {4, "1", K::Nothing, {}},
    {0, "1", K::Nothing, {}},
    {1, "abc", K::Invalid, {}},
    {1, "1e39", K::Invalid, {}},
    {2, "3e9", K::Invalid, {}},
    {3, "", K::Invalid, {}},
    {3, "1,5", K::Invalid, {}},
};

void ExpectEncodeTable() {
  for (const EncodeCase& c : kEncodeCases) {
    const EncodedSetting e = EncodeSetting(c.code, c.value);
    EXPECT_EQ(e.kind, c.kind) << "code " << c.code << " value " << c.value;
    if (e.kind != K::Words) continue;
    EXPECT_EQ(std::vector<std::uint16_t>(e.words.begin(), e.words.begin() + e.count), c.words)
        << "code " << c.code << " value " << c.value;
  }
}

// Dates and times travel as the general text of a single with that bit
// pattern (first register the low word), as the event and clock readers make it.
std::string SingleText(std::uint16_t low, std::uint16_t high) {
  return FormatGeneral(std::bit_cast<float>(static_cast<std::uint32_t>(low) |
                                            (static_cast<std::uint32_t>(high) << 16)));
}

TEST(ValueTexts, FormatValue) {
  ExpectFormatTable();
  EXPECT_EQ(FormatValue(23, SingleText(0x0C05, 2009)), "2009/12/05");
  EXPECT_EQ(FormatValue(24, SingleText(0x0900, 0x0A1E)), "10:30:09");
  EXPECT_EQ(FormatValue(23, SingleText(0x0102, 0x0003)), "03/01/02");  // a subnormal single
}
TEST(ValueTexts, DecodeSetting) {
  ExpectDecodeTable();
}
TEST(ValueTexts, EncodeSetting) {
  ExpectEncodeTable();
}

class GermanLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.1f", 1.5);
    ASSERT_STREQ(buf, "1,5") << "the locale did not switch the decimal separator";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(GermanLocale, FormatValueStillUsesPoint) {
  ExpectFormatTable();
}
TEST_F(GermanLocale, DecodeSettingStillUsesPoint) {
  ExpectDecodeTable();
}
TEST_F(GermanLocale, EncodeSettingStillReadsPoint) {
  ExpectEncodeTable();
}

TEST(ValueTexts, ReadFormsRoundTripThroughWrite) {
  // What a read renders, a write must turn back into the same registers.
  const std::vector<std::uint16_t> cases[] = {{0x0000, 0x3FC0}, {0x3333, 0x4123}};
  for (const auto& w : cases) {
    const std::string text = DecodeSetting(2, w);
    const EncodedSetting e = EncodeSetting(2, text);
    EXPECT_EQ(e.words[0], w[0]);
    EXPECT_EQ(e.words[1], w[1]);
  }
  for (std::uint16_t v : {0, 1, 255, 65535}) {
    const std::uint16_t w[] = {v};
    EXPECT_EQ(EncodeSetting(3, DecodeSetting(3, w)).words[0], v);
  }
}

TEST(ValueTexts, TypeCodeRegisterSpans) {
  struct Span {
    int code, registers;
  };
  for (const Span s : {Span{1, 2},
                       {2, 2},
                       {3, 1},
                       {4, 0},
                       {22, 10},
                       {23, 2},
                       {24, 0},
                       {28, 1},
                       {30, 1},
                       {31, 10},
                       {35, 1},
                       {36, 1},
                       {45, 0},
                       {359, 0},
                       {78, 0},
                       {6, 1},
                       {377, 1},
                       {0, 0},
                       {86, 0}}) {
    EXPECT_EQ(DescribeTypeCode(s.code).registers, s.registers) << s.code;
  }
}

TEST(NumberText, ParseAndFormat) {
  EXPECT_EQ(ParseNumber(" 1.5 "), 1.5);
  EXPECT_EQ(ParseNumber("+3"), 3.0);
  EXPECT_EQ(ParseNumber("1E3"), 1000.0);
  EXPECT_FALSE(ParseNumber("++3"));
  EXPECT_FALSE(ParseNumber("inf"));
  EXPECT_FALSE(ParseNumber("nan"));
  EXPECT_FALSE(ParseNumber("1e400"));
  EXPECT_FALSE(ParseNumber("0x10"));
  EXPECT_EQ(ParseInteger("190"), 190);
  EXPECT_FALSE(ParseInteger("1.90"));
  EXPECT_FALSE(ParseInteger("99999999999"));
  EXPECT_EQ(FormatGeneral(0.5), "0.5");
  EXPECT_EQ(FormatGeneral(100), "100");
  EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatFixed(2.675, 2), "2.67");  // 2.675 is below the tie in binary
  EXPECT_EQ(FormatFixed(0.5, 0), "1");
  EXPECT_EQ(FormatFixed(1.00005, 4), "1.0001");
  EXPECT_EQ(FormatFirmware(190), "1.90");
  EXPECT_EQ(FormatFirmware(195), "1.95");
  EXPECT_EQ(FormatFirmware(5), "0.05");
}

}  // namespace
}  // namespace kvx
