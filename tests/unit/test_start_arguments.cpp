// kvx-comm's start arguments: which demo relay, and which file to open.

#include <gtest/gtest.h>

#include "shell/demo_option.h"

namespace kvx {
namespace {

struct Case {
  std::vector<std::string> args;
  bool demo;
  std::string model;
  int firmware;
  std::string file;
  bool error;
};

TEST(StartArguments, DemoRelayAndFile) {
  const Case cases[] = {
      {{}, false, "", 0, "", false},
      {{"site.cds"}, false, "", 0, "site.cds", false},
      {{"--demo"}, true, "DRA", 197, "", false},
      {{"--demo", "DRB-50@120"}, true, "DRB-50", 120, "", false},
      {{"--demo", "FDX-50"}, true, "FDX-50", 197, "", false},
      // Not a relay: the word is the file to open.
      {{"--demo", "site.cds"}, true, "DRA", 197, "site.cds", false},
      {{"--demo", "./DRA@x1.cds"}, true, "DRA", 197, "./DRA@x1.cds", false},
      // Meant as a relay, and none: refused rather than a DRA demo.
      {{"--demo", "DRA@x1"}, true, "DRA", 197, "", true},
      {{"--demo", "XYZ@999"}, true, "DRA", 197, "", true},
      {{"site.cds", "--demo", "QRT-2600@107"}, true, "QRT-2600", 107, "site.cds", false},
      {{"--demo=DRB-50@95"}, true, "DRB-50", 95, "", false},
      {{"--demo=XYZ"}, false, "", 0, "", true},
      {{"--demo=DRA@0"}, false, "", 0, "", true},
  };
  for (const Case& c : cases) {
    const StartArguments got = ParseStartArguments(c.args);
    const std::string where = c.args.empty() ? "(none)" : c.args.back();
    EXPECT_EQ(!got.error.empty(), c.error) << where;
    if (c.error) continue;  // nothing else is used then
    EXPECT_EQ(got.demo.has_value(), c.demo) << where;
    EXPECT_EQ(got.openFile, c.file) << where;
    if (got.demo && c.demo) {
      EXPECT_EQ(got.demo->model, c.model) << where;
      EXPECT_EQ(got.demo->firmware, c.firmware) << where;
    }
  }
}

TEST(StartArguments, HelpAndTheRelaysNamedInAnError) {
  EXPECT_TRUE(ParseStartArguments({"--help"}).help);
  EXPECT_TRUE(ParseStartArguments({"site.cds", "-h"}).help);
  EXPECT_FALSE(ParseStartArguments({"site.cds"}).help);
  const std::string error = ParseStartArguments({"--demo", "XYZ@999"}).error;
  EXPECT_NE(error.find("\"XYZ@999\" names no relay"), std::string::npos) << error;
  EXPECT_NE(error.find("DRB-50"), std::string::npos) << error;
  EXPECT_NE(StartUsageText().find("--demo [MODEL[@FIRMWARE]]"), std::string::npos);
}

}  // namespace
}  // namespace kvx
