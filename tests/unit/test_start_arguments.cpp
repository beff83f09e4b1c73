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

TEST(StartArguments, LinkToConnectAtStart) {
  // The same link options as kvx-cli's: the link, then what goes with it.
  const StartArguments tcp = ParseStartArguments({"--tcp", "127.0.0.1:15020", "--unit", "7"});
  ASSERT_TRUE(tcp.error.empty()) << tcp.error;
  ASSERT_TRUE(tcp.link);
  EXPECT_EQ(tcp.link->protocol, ProtocolKind::ModbusTcp);
  EXPECT_EQ(tcp.link->remoteHost, "127.0.0.1");
  EXPECT_EQ(tcp.link->remotePort, "15020");
  EXPECT_EQ(tcp.link->unitAddress, 7);
  EXPECT_FALSE(tcp.link->cancelled);
  EXPECT_TRUE(tcp.openFile.empty()) << "the option's value is no file";

  const StartArguments plain = ParseStartArguments({"--tcp=10.0.0.2"});
  ASSERT_TRUE(plain.link);
  EXPECT_EQ(plain.link->remotePort, "502");
  EXPECT_EQ(plain.link->unitAddress, 254);

  const StartArguments rtu =
      ParseStartArguments({"site.cds", "--rtu", "/dev/pts/4", "--baud", "19200"});
  ASSERT_TRUE(rtu.link);
  EXPECT_EQ(rtu.link->protocol, ProtocolKind::ModbusRtu);
  EXPECT_EQ(rtu.link->portName, "/dev/pts/4");
  EXPECT_EQ(rtu.link->baudRate, 19200);
  EXPECT_EQ(rtu.link->baudText, "19200");
  EXPECT_EQ(rtu.openFile, "site.cds");

  const StartArguments df1 = ParseStartArguments(
      {"--df1", "/dev/ttyUSB1", "--check", "bcc", "--source", "3", "--unit=12"});
  ASSERT_TRUE(df1.link);
  EXPECT_EQ(df1.link->protocol, ProtocolKind::Df1);
  EXPECT_EQ(df1.link->portName, "/dev/ttyUSB1");
  EXPECT_EQ(df1.link->errorCheck, 1);
  EXPECT_EQ(df1.link->sourceAddress, 3);
  EXPECT_EQ(df1.link->unitAddress, 12);

  EXPECT_FALSE(ParseStartArguments({"site.cds"}).link);

  // What does not name one usable link ends the start with a reason.
  const std::pair<std::vector<std::string>, const char*> refused[] = {
      {{"--tcp", "300.1.1.1"}, "--tcp needs"},
      {{"--tcp", "host.example"}, "--tcp needs"},
      {{"--tcp"}, "--tcp needs a value"},
      {{"--rtu", "/dev/a", "--tcp", "127.0.0.1"}, "name one link"},
      {{"--demo", "--tcp", "127.0.0.1"}, "--demo starts its own relay"},
      {{"--tcp", "127.0.0.1", "--unit", "0"}, "--unit must be 1..254"},
      {{"--tcp", "127.0.0.1", "--unit", "12x"}, "--unit must be 1..254"},
      {{"--rtu", "/dev/a", "--baud", "4800"}, "--baud must be"},
      {{"--df1", "/dev/a", "--check", "lrc"}, "--check must be"},
      {{"--unit", "5"}, "go with --tcp, --rtu or --df1"},
      {{"--rtu="}, "--rtu needs a DEVICE"},
  };
  for (const auto& [args, reason] : refused) {
    const StartArguments got = ParseStartArguments(args);
    EXPECT_NE(got.error.find(reason), std::string::npos) << args.front() << ": " << got.error;
    EXPECT_FALSE(got.link) << args.front();
  }
  EXPECT_NE(StartUsageText().find("--tcp HOST[:PORT]"), std::string::npos);
}

}  // namespace
}  // namespace kvx
