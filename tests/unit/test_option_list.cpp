// The type catalogue: the lists the relays' stored numbers index into.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "setpoints/option_list.h"
#include "setpoints/type_codes.h"

namespace kvx {
namespace {

TEST(OptionList, ListsAreJoinedByNewlinesWithoutATrailingOne) {
  EXPECT_EQ(OptionList(6), "Enabled\nDisabled");
  EXPECT_EQ(OptionList(10), "50 Hz\n60 Hz");
  EXPECT_EQ(OptionList(81), "Group 1\nGroup 2");
}

TEST(OptionList, CodesWithoutAListGiveError) {
  for (int code : {0, 1, 3, 5, 8, 22, 35, 36, 78, 86, 311, 360, 1000, -1}) {
    EXPECT_EQ(OptionList(code), "Error") << code;
    EXPECT_TRUE(OptionLines(code).empty()) << code;
  }
}

struct ListCase {
  int code;
  std::size_t lines;
  std::size_t line;
  const char* text;
};

// Line counts of every list, with one line of each checked by text.
const ListCase kLists[] = {
    {6, 2, 1, "Disabled"},
    {7, 4, 3, "Trip and Alarm"},
    {9, 4, 3, "3 PT & Direct"},
    {10, 2, 0, "50 Hz"},
    {11, 16, 15, "Wye-Delta Closed"},
    {12, 20, 19, "Reduced OC"},
    {312, 20, 14, "2-Wire Start1"},
    {13, 21, 14, "None"},
    {313, 21, 20, "Reduced OC"},
    {14, 2, 1, "Non Fail Safe"},
    {15, 17, 16, "Differential Current"},
    {315, 17, 8, "Unbalance (I)"},
    {16, 6, 5, "ModbusTCP"},
    {17, 8, 7, "DeviceNet 500"},
    {18, 3, 2, "BCC Check"},
    {19, 4, 3, "3 RTD Modules"},
    {20, 5, 4, "Copper 10"},
    {21, 4, 3, "Ambient"},
    {25, 10, 9, "10 Starts per Hour"},
    {26, 4, 3, "ETR Record"},
    {29, 7, 6, "Backspin Timer On"},
    {33, 2, 1, "K-Factor"},
    {34, 4, 3, "Motor Speed"},
    {37, 13, 12, "Re-enable Temperature Protection"},
    {38, 3, 2, "Multiple-Motor Sequence"},
    {40, 3, 1, "2 OPI's"},
    {41, 2, 1, "Current Transfer"},
    {42, 8, 7, "Trip2 & Trip3"},
    {43, 8, 6, "Alarm1 & Alarm2 & Alarm3"},
    {60, 2, 0, "Calculated (3Io)"},
    {61, 5, 4, "Reduced OC"},
    {361, 5, 3, "Program Enable"},
    {62, 14, 13, "Reduced OC"},
    {362, 14, 12, "Network Run 1"},
    {63, 14, 2, "Earth Leakage Calculated from Phase CT Input"},
    {363, 14, 13, "Phase Current (FLA)"},
    {64, 19, 18, "Run1 Clear"},
    {65, 7, 6, "ProfiNet"},
    {66, 3, 1, "19.2 kB"},
    {67, 16, 9, "Alarm 3"},
    {68, 3, 2, "PTC Sensor"},
    {69, 6, 5, "DeviceNet 500KB"},
    {70, 3, 2, "Variable Frequency"},
    {71, 19, 12, "Current >125% FLA"},
    {371, 19, 18, "Reduced OC"},
    {72, 19, 10, "reserved"},
    {73, 8, 7, "IEEE Extreme Inverse"},
    {74, 18, 15, "Reserved15"},
    {75, 5, 4, "Set-Point Group"},
    {76, 13, 12, "Network Run1"},
    {77, 12, 4, "Reserved4"},
    {377, 12, 4, "RTD Temperature"},
    {80, 3, 2, "ETR Record"},
    {81, 2, 1, "Group 2"},
    {82, 10, 9, "User Registers"},
    {83, 5, 4, "0x05 Extended Motor Starter"},
    {84, 6, 5, "0x64 User Registers"},
    {85, 3, 2, "0x03 Basic Motor Starter"},
    {95, 11, 10, "Network Status"},
    {96, 16, 15, "Communication Status"},
    {97, 10, 9, "Network Status"},
    {338, 3, 2, "Rapid"},
    {27, 256, 255, "No Trip or Alarm Code"},
    {79, 256, 255, "No Trip or Alarm Code"},
};

TEST(OptionList, EveryListHasItsLinesInStoredValueOrder) {
  for (const ListCase& c : kLists) {
    const auto lines = OptionLines(c.code);
    ASSERT_EQ(lines.size(), c.lines) << "list " << c.code;
    EXPECT_EQ(lines[c.line], c.text) << "list " << c.code;
    const std::string joined = OptionList(c.code);
    EXPECT_EQ(static_cast<std::size_t>(std::count(joined.begin(), joined.end(), '\n')), c.lines - 1)
        << "list " << c.code;
  }
}

TEST(OptionList, EveryListTypeCodeHasAList) {
  for (int code = -5; code < 1000; ++code) {
    EXPECT_EQ(IsListTypeCode(code), !OptionLines(code).empty()) << code;
  }
}

TEST(OptionList, SharedListsAreIdenticalAndList377DiffersOnlyInLineFour) {
  for (auto [a, b] :
       {std::pair{12, 312}, {13, 313}, {15, 315}, {61, 361}, {62, 362}, {63, 363}, {71, 371}}) {
    EXPECT_EQ(OptionList(a), OptionList(b)) << a;
  }
  const auto l77 = OptionLines(77), l377 = OptionLines(377);
  ASSERT_EQ(l77.size(), l377.size());
  for (std::size_t i = 0; i < l77.size(); ++i) {
    EXPECT_EQ(l77[i] == l377[i], i != 4) << i;
  }
}

TEST(OptionList, MotorCauseList) {
  const auto l = OptionLines(27);
  EXPECT_EQ(std::count(l.begin(), l.end(), "Reserved"), 108);
  EXPECT_EQ(l[0], "Main Overcurrent Trip");
  EXPECT_EQ(l[29], "Relay-Status Trip");
  EXPECT_EQ(l[30], "Digital 1 Trip");
  EXPECT_EQ(l[36], "Digital 7 Trip");
  EXPECT_EQ(l[37], "RTD Module 1 Number 1 Trip");
  EXPECT_EQ(l[38], "RTD Module 1 Number 1 Alarm");
  EXPECT_EQ(l[39], "RTD Module 1 Number 2 Trip");
  EXPECT_EQ(l[53], "RTD Module 2 Number 1 Trip");
  EXPECT_EQ(l[83], "RTD Module 3 Number 8 Trip");
  EXPECT_EQ(l[84], "RTD Module 3 Number 8 Alarm");
  EXPECT_EQ(l[85], "RTD Module 1 Comm Trip");
  EXPECT_EQ(l[117], "Starts Per Hour Alarm");
  EXPECT_EQ(l[118], "Reserved");
  EXPECT_EQ(l[119], "Remote/Network Trip");
  EXPECT_EQ(l[132], "Reduced OC Trip");
  EXPECT_EQ(l[133], "133 Reserved");
  EXPECT_EQ(l[134], "Reserved");
  EXPECT_EQ(l[140], "140 Reserved");
  EXPECT_EQ(l[250], "250 Reserved");
  EXPECT_EQ(l[251], "Reserved");
  EXPECT_EQ(l[253], "Normal Start");
  EXPECT_EQ(l[254], "Incomplete Start");
}

TEST(OptionList, FeederCauseList) {
  const auto l = OptionLines(79);
  EXPECT_EQ(std::count(l.begin(), l.end(), "Reserved"), 178);
  EXPECT_EQ(l[0], "Overload Trip G1");
  EXPECT_EQ(l[25], "Phase Reverse Alarm");
  EXPECT_EQ(l[26], "26 Reserved");
  EXPECT_EQ(l[27], "Reserved");
  EXPECT_EQ(l[30], "Digital Input Trip");
  EXPECT_EQ(l[36], "PTC Alarm");
  EXPECT_EQ(l[41], "41 Reserved");
  EXPECT_EQ(l[91], "91 Reserved");
  EXPECT_EQ(l[92], "Reserved");
  EXPECT_EQ(l[94], "Memory Error, All defaults loaded");
  EXPECT_EQ(l[107], "107 Reserved");
  EXPECT_EQ(l[110], "110 Reserved");
  EXPECT_EQ(l[111], "Reserved");
  EXPECT_EQ(l[250], "250 Reserved");
  EXPECT_EQ(l[253], "Normal Start");
}

}  // namespace
}  // namespace kvx
