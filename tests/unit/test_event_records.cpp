// Event record numbering, IDs, field texts and the saved file's lines; the
// device command table, the clock text and the trip code lines.

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>

#include "monitor/clock_text.h"
#include "monitor/command_list.h"
#include "monitor/event_records.h"
#include "monitor/trip_codes.h"
#include "setpoints/load_setting_file.h"

namespace kvx {
namespace {

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

void PutSingle(EventBlock& block, int reg, float v) {
  const auto bits = std::bit_cast<std::uint32_t>(v);
  block[static_cast<std::size_t>(reg - kEventBlockFirst)] =
      static_cast<std::uint16_t>(bits & 0xFFFF);
  block[static_cast<std::size_t>(reg - kEventBlockFirst + 1)] =
      static_cast<std::uint16_t>(bits >> 16);
}

TEST(EventNumbering, RangeNewestSlotAndIdByFamilyAndFirmware) {
  struct Case {
    int family, firmware;
    long long count;
    long long first, last;
    int newestSlot;
    long long newestId;
  };
  for (const Case c : {Case{1, 230, 0, 0, 0, 0, 0},
                       {1, 230, 5, 0, 4, 4, 4},
                       {1, 225, 5, 0, 4, 4, 4},
                       {1, 230, 64, 0, 63, 63, 63},
                       {1, 230, 65, 1, 64, 0, 64},
                       {1, 230, 70, 6, 69, 5, 69},
                       {1, 225, 70, 6, 69, 5, 5},
                       {1, 226, 70, 6, 69, 5, 69},
                       {2, 159, 150, 50, 149, 49, 49},
                       {2, 160, 150, 50, 149, 49, 149},
                       {3, 100, 250, 150, 249, 49, 249},
                       {3, 100, 100, 0, 99, 99, 99}}) {
    SCOPED_TRACE(testing::Message()
                 << "family " << c.family << " fw " << c.firmware << " N " << c.count);
    const EventRange r = RetainedEvents(c.count, EventRingSize(c.family));
    EXPECT_EQ(r.Empty(), c.count == 0);
    EXPECT_EQ(r.first, c.first);
    EXPECT_EQ(r.last, c.last);
    EXPECT_EQ(EventSlot(r.last, EventRingSize(c.family)), c.newestSlot);
    EXPECT_EQ(EventRecordId(r.last, c.family, c.firmware), c.newestId);
  }
}

TEST(EventNumbering, SelectingWrapsToTheSlotAndShowsTheIdOfTheFirmware) {
  const EventRange r = RetainedEvents(70, EventRingSize(1));
  EXPECT_EQ(EventSlot(64, 64), 0);
  EXPECT_EQ(EventRecordId(64, 1, 230), 64);
  EXPECT_EQ(EventRecordId(64, 1, 225), 0);
  // Looking a record up by the ID the user sees.
  EXPECT_EQ(EventNumberOfId(64, r, 1, 230), 64);
  EXPECT_EQ(EventNumberOfId(0, r, 1, 225), 64);
  EXPECT_EQ(EventNumberOfId(6, r, 1, 225), 6);
  EXPECT_EQ(EventNumberOfId(5, r, 1, 230), std::nullopt);   // no longer retained
  EXPECT_EQ(EventNumberOfId(70, r, 1, 230), std::nullopt);  // not yet written
  EXPECT_EQ(EventNumberOfId(0, RetainedEvents(0, 64), 1, 230), std::nullopt);
  EXPECT_EQ(EventNumberOfId(3, RetainedEvents(3, 64), 1, 225), std::nullopt);
}

TEST(EventFields, OneAndTwoRegisterValues) {
  EventBlock b{};
  b[981 - kEventBlockFirst] = 65535;
  b[982 - kEventBlockFirst] = 0x0000;  // 1.5f: low word first
  b[983 - kEventBlockFirst] = 0x3FC0;
  PutSingle(b, 1063, -100.0f);
  struct Case {
    int type, reg;
    std::optional<std::string> text;
  };
  for (const Case& c : {Case{3, 981, "65535"},
                        {26, 981, "65535"},
                        {27, 981, "65535"},
                        {79, 981, "65535"},
                        {1, 982, "1.5"},
                        {2, 982, "1.5"},
                        {1, 1063, "-100"},
                        {1, 1065, std::nullopt},  // its second register lies past the block
                        {3, 1065, "0"},
                        {1, 975, std::nullopt},
                        {1, 1066, std::nullopt}}) {
    EXPECT_EQ(EventFieldValue(c.type, c.reg, b), c.text) << c.type << " @" << c.reg;
  }
}

TEST(EventFields, TemperatureSentinelsOnScreenAndInTheFile) {
  using enum EventTextUse;
  struct Case {
    int family, firmware, reg;
    const char* display;
    const char* screen;
    const char* file;
  };
  for (const Case c : {
           Case{1, 230, 1040, "-1.00", "Unused", "-1.00"},
           {1, 225, 1040, "-1.00", "-1.00", "-1.00"},
           {1, 225, 1040, "-90.00", "Open", "Open"},
           {1, 230, 1040, "-90.00", "-90.00", "Open"},  // a differential row on newer firmware
           {1, 230, 1005, "-100.00", "Unused", "Unused"},
           {1, 230, 1035, "-80.00", "Short", "Short"},
           {1, 225, 1053, "-1.00", "Unused", "-1.00"},
           {1, 225, 1051, "-70.00", "No Data", "No Data"},
           {1, 230, 1005, "-1.00", "-1.00", "-1.00"},
           {2, 170, 990, "-1.00", "Unused", "-1.00"},
           {2, 170, 1000, "-90.00", "Open", "Open"},
           {2, 170, 996, "-90.00", "-90.00", "-90.00"},
           {3, 110, 996, "-80.00", "Short", "Short"},
           {3, 110, 1000, "-80.00", "-80.00", "-80.00"},
           {3, 110, 1005, "-100.00", "Unused", "Unused"},
           {3, 110, 1005, "-100.5", "-100.5", "-100.5"},
           {2, 170, 1005, "Over Range", "Over Range", "Over Range"},
       }) {
    SCOPED_TRACE(testing::Message()
                 << c.family << "/" << c.firmware << " @" << c.reg << " " << c.display);
    EXPECT_EQ(EventSentinelText(c.display, c.reg, c.family, c.firmware, Screen), c.screen);
    EXPECT_EQ(EventSentinelText(c.display, c.reg, c.family, c.firmware, File), c.file);
  }
}

class EventLayoutOfDefinitions : public ::testing::Test {
 protected:
  EventLayout Load(const char* file) {
    SettingStore store;
    LoadResult r = LoadSettingFile(store, kDefaults / file, kDefaults);
    EXPECT_TRUE(r.ok) << r.error;
    return EventLayoutOf(store);
  }
};

TEST_F(EventLayoutOfDefinitions, RecordLineOfARelayWithNewerFirmware) {
  const EventLayout layout = Load("dra_defaults_230.xml");
  ASSERT_EQ(layout.family, 1);
  ASSERT_EQ(layout.definitionFirmware, 230);
  ASSERT_GE(layout.fields.size(), 5u);
  EXPECT_EQ(layout.fields[0].reg, 976);
  EXPECT_EQ(layout.fields[0].name, "Date");

  EventBlock b{};
  // 2009-03-15 and 14:02:07 as the relay packs them into a single's bits.
  b[0] = 0x030F;
  b[1] = 2009;
  b[2] = 0x0700;
  b[3] = 0x0E02;
  b[980 - kEventBlockFirst] = 1;  // Trip Record
  b[981 - kEventBlockFirst] = 2;  // Overload Trip
  PutSingle(b, 982, 123.25f);
  PutSingle(b, 1005, -90.0f);
  PutSingle(b, 1039, -1.0f);  // differential current: a plain number on this firmware

  const auto screen = EventRecordTexts(layout, b, EventTextUse::Screen);
  ASSERT_EQ(screen.size(), layout.fields.size());
  auto textOf = [&](const std::vector<std::string>& texts, int reg) {
    for (std::size_t i = 0; i < layout.fields.size(); ++i) {
      if (layout.fields[i].reg == reg) return texts[i];
    }
    return std::string("(no field)");
  };
  EXPECT_EQ(textOf(screen, 980), "Trip Record");
  EXPECT_EQ(textOf(screen, 981), "Overload Trip");
  EXPECT_EQ(textOf(screen, 982), "123.25");
  EXPECT_EQ(textOf(screen, 1005), "Open");
  EXPECT_EQ(textOf(screen, 1039), "Unused");
  EXPECT_FALSE(EventBlockEmpty(b));

  const std::string header = EventFileHeader(layout);
  EXPECT_EQ(header.rfind("Record\tDate\tTime\tRecord Type\tCause\t", 0), 0u) << header;
  EXPECT_EQ(header.substr(header.size() - 2), "\r\n");
  const std::string line = EventFileLine(layout, 17, b);
  EXPECT_EQ(line.rfind("17\t2009/03/15\t14:02:07\tTrip Record\tOverload Trip\t123.25\t", 0), 0u)
      << line;
  EXPECT_NE(line.find("\tOpen\t"), std::string::npos);
  EXPECT_EQ(line.find("Unused"), std::string::npos);  // the file keeps -1 as a number
  EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
  // One tab per field, the same count as the header's.
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'),
            std::count(header.begin(), header.end(), '\t'));

  b[980 - kEventBlockFirst] = 0;
  EXPECT_TRUE(EventBlockEmpty(b));
}

TEST_F(EventLayoutOfDefinitions, FeederRecordTypeIsAPlainNumber) {
  const EventLayout layout = Load("fdx_defaults_110.xml");
  ASSERT_EQ(layout.family, 3);
  EventBlock b{};
  b[980 - kEventBlockFirst] = 2;
  b[981 - kEventBlockFirst] = 19;
  const std::string line = EventFileLine(layout, 49, b);
  EXPECT_EQ(line.rfind("49\t00/00/00\t00:00:00\t2\tEF-CT Timed Alarm G2\t", 0), 0u) << line;
}

TEST(TripCodes, LinesOfEachFamily) {
  const std::uint16_t motorList[] = {2, 255, 255, 255, 255};
  EXPECT_EQ(TripCodeLines(1, motorList), std::vector<std::string>{"Overload Trip"});

  std::array<std::uint16_t, 15> drb{};
  drb[0] = 0x0005;
  EXPECT_EQ(TripCodeLines(2, drb),
            (std::vector<std::string>{"Main Overcurrent Trip", "Overload Trip"}));

  std::array<std::uint16_t, 15> fdx{};
  fdx[1] = 1u << 3;
  EXPECT_EQ(TripCodeLines(3, fdx), std::vector<std::string>{"EF-CT Timed Alarm G2"});

  // Nothing active: no line at all.
  const std::uint16_t none[] = {255, 255, 255, 255, 255};
  EXPECT_TRUE(TripCodeLines(1, none).empty());
  // Several codes in one register and the last bit of the map, in order.
  std::array<std::uint16_t, 15> several{};
  several[0] = 0x0004;
  several[14] = 0x8001;  // codes 224 and 239
  const auto lines = TripCodeLines(2, several);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Overload Trip");
  EXPECT_TRUE(TripCodeLines(2, std::array<std::uint16_t, 15>{}).empty());
  // A short block gives what it holds, never reads past it.
  EXPECT_EQ(TripCodeLines(2, std::span<const std::uint16_t>(drb.data(), 1)).size(), 2u);
}

TEST(ClockText, FieldsWithTwoDigits) {
  EXPECT_EQ(ClockText({2010, 1, 2, 24, 5, 9}), "10/01/02 24:05:09");
  EXPECT_EQ(ClockText({2009, 3, 15, 14, 2, 7}), "09/03/15 14:02:07");
  EXPECT_EQ(ClockText({2099, 12, 31, 0, 59, 59}), "99/12/31 00:59:59");
  EXPECT_EQ(ClockText(ClockFields{}), "00/01/01 01:00:00");  // the dialog's start values

  for (const char* ok : {"10/01/02 24:05:09", "00/00/00 00:00:00"}) EXPECT_TRUE(IsClockText(ok));
  for (const char* bad : {"10/01/02 24:05:9", "10-01-02 24:05:09", "10/01/02  24:05:0",
                          "10/01/02 24:05:09 ", "", "1a/01/02 24:05:09"}) {
    EXPECT_FALSE(IsClockText(bad)) << bad;
  }
}

TEST(DeviceCommands, WordsNumbersAndMenus) {
  for (const DeviceCommand& c : DeviceCommands()) {
    EXPECT_EQ(ParseDeviceCommand(c.word), c.number) << c.word;
    EXPECT_EQ(FindDeviceCommand(c.number), &c);
  }
  struct Case {
    const char* text;
    std::optional<int> number;
  };
  for (const Case& c : {Case{"reset-trips", 3},
                        {"clear-events", 5},
                        {"clear-energy-totals", 7},
                        {"emergency-i2t-reset", 9},
                        {"run1-clear", 18},
                        {"12", 12},
                        {"0", 0},
                        {"Reset-Trips", std::nullopt},
                        {"-1", std::nullopt},
                        {"70000", std::nullopt},
                        {"", std::nullopt},
                        {"stop ", std::nullopt}}) {
    EXPECT_EQ(ParseDeviceCommand(c.text), c.number) << '"' << c.text << '"';
  }
  EXPECT_EQ(FindDeviceCommand(19), nullptr);
  EXPECT_EQ(CommandMenu(1), (std::vector<int>{5, 6, 8, 7, 9, 10, 11, 12, kClockMenuItem}));
  EXPECT_EQ(CommandMenu(2),
            (std::vector<int>{5, 6, 8, 9, 12, kClockMenuItem, 13, 14, 15, 16, 17, 18}));
  EXPECT_EQ(CommandMenu(3), (std::vector<int>{5, 6, 8, 9, kClockMenuItem, 13, 14, 15, 16, 17, 18}));
  EXPECT_TRUE(CommandMenu(0).empty());
  EXPECT_STREQ(FindDeviceCommand(7)->menuText, "Clear Energy Totals");
}

}  // namespace
}  // namespace kvx
