// kvx-cli's offline commands on real files: show, convert, defaults.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/run_program.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

using test::RunProgram;

const std::filesystem::path kDefaults = std::filesystem::path(KVX_SOURCE_DIR) / "defaults";

test::ProgramResult Cli(const std::vector<std::string>& args) {
  return RunProgram(test::RuntimeProgram("kvx-cli"), args);
}

TEST(CliFileCommands, ShowPrintsGroupsWithDisplayTexts) {
  const auto r = Cli({"show", (kDefaults / "dra_defaults_190.xml").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 27), "Unit\tDRA\nFirmware\t1.90\n\n[Sy");
  EXPECT_NE(r.out.find("\n[Overload]\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nLine Frequency\t60 Hz\t\t\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nLocked-Rotor Time Cold\t10.00\ts\t\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nRelay Title\tDRA Motor\t\tPrinted on reports and curves\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("\nCause\tNo Trip or Alarm Code\t\t\n"), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST(CliFileCommands, UnloadableFilesExitThreeWithTheMessageAndReason) {
  test::ScratchFolder dir;
  const auto broken = dir.Write("broken.xml", "<DATAPACKET>");
  const auto orphan =
      dir.Write("orphan.xml",
                "<DATAPACKET><METADATA><FIELDS><FIELD attrname=\"CFG_NAME\" fieldtype=\"string\" "
                "WIDTH=\"10\"/></FIELDS></METADATA><ROWDATA/></DATAPACKET>");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"show", broken.string()},
           {"show", orphan.string()},
           {"show", (dir / "missing.cds").string()},
           {"show", (kDefaults / "dra_defaults_190.xml").string(), "--defaults",
            (dir / "nowhere").string()},
           {"convert", broken.string(), (dir / "out.cds").string()}}) {
    const auto r = Cli(args);
    EXPECT_EQ(r.exitCode, 3) << args[1];
    EXPECT_EQ(r.err.substr(0, 20), "Error Loading File.\n") << r.err;
    EXPECT_GT(r.err.size(), 30u) << r.err;  // and the reason
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out.cds"));
}

TEST(CliFileCommands, ConvertRoundTripsEveryDefaultsFile) {
  test::ScratchFolder dir;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kDefaults)) {
    if (entry.path().extension() != ".xml") continue;
    const auto name = entry.path().filename().string();
    const auto binary = dir / (name + ".cds");
    const auto back = dir / name;
    auto r = Cli({"convert", entry.path().string(), binary.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "kvx-cli: saved " + binary.string() + "\n");
    EXPECT_EQ(test::ReadWholeFile(binary).substr(0, 6), "KVXDPK");
    r = Cli({"convert", binary.string(), back.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::ReadWholeFile(back), test::ReadWholeFile(entry.path())) << name;
    ++files;
  }
  EXPECT_GE(files, 13);
}

TEST(CliFileCommands, ShowReadsABinarySetpointFileWithItsDefinitions) {
  test::ScratchFolder dir;
  const auto binary = dir / "site.CDS";
  ASSERT_EQ(
      Cli({"convert", (kDefaults / "fdx_defaults_110.xml").string(), binary.string()}).exitCode, 0);
  const auto r = Cli({"show", binary.string(), "--defaults", kDefaults.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\n[Phase Inverse G2]\n"), std::string::npos);
  EXPECT_NE(r.out.find("\tIEC Normal Inverse A\t"), std::string::npos);
}

TEST(CliFileCommands, ConvertWritesThroughLinksKeepsPermissionsAndRefusesOtherThings) {
  test::ScratchFolder dir;
  const auto source = (kDefaults / "dra_defaults_190.xml").string();
  const auto real = dir.Write("real.cds", "old");
  ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
  std::filesystem::create_symlink("real.cds", dir / "link.cds");
  auto r = Cli({"convert", source, (dir / "link.cds").string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.cds"));
  EXPECT_EQ(test::ReadWholeFile(real).substr(0, 6), "KVXDPK");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  for (const std::string& target : {(dir / "pipe").string(), dir.path().string()}) {
    r = Cli({"convert", source, target});
    EXPECT_EQ(r.exitCode, 3) << target;
    EXPECT_EQ(r.err.substr(0, 20), "Error writing file.\n") << r.err;
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
  }
  ASSERT_EQ(::lstat((dir / "pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(CliFileCommands, DefaultsListsVersionsPerModel) {
  const auto r = Cli({"defaults", "--dir", kDefaults.string()});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "DRB-50\t1.70 (drb_defaults_170.xml)\t1.30 (drb_defaults_130.xml)\t"
            "1.20 (drb_defaults_120.xml)\t1.00 (drb_defaults_100.xml)\n"
            "DRA\t2.30 (dra_defaults_230.xml)\t2.10 (dra_defaults_210.xml)\t"
            "1.90 (dra_defaults_190.xml)\t1.85 (dra_defaults_185.xml)\n"
            "FDX-50\t1.10 (fdx_defaults_110.xml)\t1.00 (fdx_defaults_100.xml)\n"
            "QRT-2600\t1.00 (qrt2600_defaults_100.xml)\n"
            "QRT-3600\t1.00 (qrt3600_defaults_100.xml)\n"
            "QRT-4700\t1.00 (qrt4700_defaults_100.xml)\n");
  // Without --dir: the Defaults folder beside the program (the build copies it there).
  EXPECT_EQ(Cli({"defaults"}).out, r.out);
  test::ScratchFolder empty;
  EXPECT_EQ(Cli({"defaults", "--dir", empty.path().string()}).out,
            "DRB-50\nDRA\nFDX-50\nQRT-2600\nQRT-3600\nQRT-4700\n");
  EXPECT_EQ(Cli({"defaults", "--dir", (empty / "none").string()}).exitCode, 3);
}

}  // namespace
}  // namespace kvx
