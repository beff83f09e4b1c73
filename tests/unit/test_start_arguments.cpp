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
      {{"--demo", "DRA@x1"}, true, "DRA", 197, "DRA@x1", false},
      {{"site.cds", "--demo", "QRT-2600@107"}, true, "QRT-2600", 107, "site.cds", false},
      {{"--demo=DRB-50@95"}, true, "DRB-50", 95, "", false},
      {{"--demo=XYZ"}, false, "", 0, "", true},
      {{"--demo=DRA@0"}, false, "", 0, "", true},
  };
  for (const Case& c : cases) {
    const StartArguments got = ParseStartArguments(c.args);
    const std::string where = c.args.empty() ? "(none)" : c.args.back();
    EXPECT_EQ(got.demo.has_value(), c.demo) << where;
    EXPECT_EQ(!got.error.empty(), c.error) << where;
    EXPECT_EQ(got.openFile, c.file) << where;
    if (got.demo && c.demo) {
      EXPECT_EQ(got.demo->model, c.model) << where;
      EXPECT_EQ(got.demo->firmware, c.firmware) << where;
    }
  }
}

}  // namespace
}  // namespace kvx
