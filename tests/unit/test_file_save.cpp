// Saving a whole file over whatever is at the path: links, permissions,
// things that are not regular files, and leftovers of saves that died.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "setpoints/data_packet_file.h"
#include "setpoints/file_save.h"
#include "support/scratch_folder.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
  return st.st_mode;
}

// A process number that belonged to a process that has ended.
pid_t EndedProcess() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

TEST(FileSave, ALinkIsFollowedToItsTargetAndKept) {
  test::ScratchFolder dir;
  const fs::path real = dir.Write("elsewhere/real.cds", "old");
  fs::create_directory_symlink(dir / "elsewhere", dir / "via");
  // A chain: absolute link -> relative link (through a linked folder) -> file.
  fs::create_symlink("via/real.cds", dir / "middle");
  fs::create_symlink(dir / "middle", dir / "saved.cds");

  const WriteResult w = WriteFileAtomically(dir / "saved.cds", "new contents");
  ASSERT_TRUE(w.ok) << w.error;
  EXPECT_EQ(test::ReadWholeFile(real), "new contents");
  EXPECT_TRUE(fs::is_symlink(dir / "saved.cds"));
  EXPECT_TRUE(fs::is_symlink(dir / "middle"));
  EXPECT_EQ(fs::read_symlink(dir / "middle"), "via/real.cds");
  // The temporary lived beside the target and is gone.
  EXPECT_EQ(Entries(dir / "elsewhere"), std::vector<std::string>{"real.cds"});
  EXPECT_EQ(Entries(dir.path()),
            (std::vector<std::string>{"elsewhere", "middle", "saved.cds", "via"}));
}

TEST(FileSave, ADanglingLinkGetsItsFileCreated) {
  test::ScratchFolder dir;
  fs::create_symlink("later.cds", dir / "link.cds");
  ASSERT_TRUE(WriteFileAtomically(dir / "link.cds", "x").ok);
  EXPECT_TRUE(fs::is_symlink(dir / "link.cds"));
  EXPECT_EQ(test::ReadWholeFile(dir / "later.cds"), "x");
}

TEST(FileSave, AnExistingFileKeepsItsPermissions) {
  test::ScratchFolder dir;
  for (const mode_t mode : {0600, 0640, 0604, 0755, 0444}) {
    const fs::path p = dir.Write("keep.cds", "old");
    ASSERT_EQ(::chmod(p.c_str(), mode), 0);
    const WriteResult w = WriteFileAtomically(p, "new");
    ASSERT_TRUE(w.ok) << w.error;
    EXPECT_EQ(test::ReadWholeFile(p), "new");
    EXPECT_EQ(ModeOf(p) & 07777, mode) << std::oct << mode;
    fs::remove(p);
  }
}

TEST(FileSave, ANewFileIsCreatedWith0644LessTheUmask) {
  test::ScratchFolder dir;
  const mode_t old = ::umask(027);
  const WriteResult w = WriteFileAtomically(dir / "fresh.cds", "x");
  ::umask(old);
  ASSERT_TRUE(w.ok) << w.error;
  EXPECT_EQ(ModeOf(dir / "fresh.cds") & 07777, 0640u);
}

TEST(FileSave, AsRootTheOwnerIsKept) {
  if (::geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
  test::ScratchFolder dir;
  const fs::path p = dir.Write("owned.cds", "old");
  ASSERT_EQ(::chown(p.c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(p.c_str(), 0600), 0);
  ASSERT_TRUE(WriteFileAtomically(p, "new").ok);
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(FileSave, WhatIsNotARegularFileIsRefusedAndLeftAsItIs) {
  test::ScratchFolder dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  fs::create_directory(dir / "folder");
  fs::create_symlink(dir / "pipe", dir / "to-pipe");
  fs::create_symlink("loop-b", dir / "loop-a");
  fs::create_symlink("loop-a", dir / "loop-b");
  struct Case {
    fs::path path;
    const char* reason;
  };
  std::vector<Case> cases = {
      {dir / "pipe", "a FIFO"},           {dir / "to-pipe", "a FIFO"},
      {dir / "folder", "a folder"},       {dir / "folder/", "a folder"},
      {dir / "loop-a", "symbolic links"},
  };
  // A device node of our own (root only), never the system's.
  const bool device = ::mknod((dir / "null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
  if (device) cases.push_back({dir / "null", "a character device"});
  for (const Case& c : cases) {
    const WriteResult w = WriteFileAtomically(c.path, "payload");
    EXPECT_FALSE(w.ok) << c.path;
    EXPECT_NE(w.error.find(c.reason), std::string::npos) << c.path << ": " << w.error;
  }
  EXPECT_TRUE(S_ISFIFO(ModeOf(dir / "pipe")));
  if (device) {
    EXPECT_TRUE(S_ISCHR(ModeOf(dir / "null")));
  }
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
  std::vector<std::string> expected = {"folder", "loop-a", "loop-b", "pipe", "to-pipe"};
  if (device) expected.insert(expected.begin() + 3, "null");
  EXPECT_EQ(Entries(dir.path()), expected);
  // Reading one does not hang either.
  EXPECT_FALSE(ReadPacketFile(dir / "pipe").ok);
}

TEST(FileSave, ASuccessfulSaveRemovesTemporariesLeftByDeadSaves) {
  test::ScratchFolder dir;
  const fs::path target = dir.Write("site.cds", "old");
  const pid_t gone = EndedProcess();
  const fs::path stale = TemporaryPathFor(target, gone, 0);
  const fs::path stale2 = TemporaryPathFor(target, gone, 7);
  const fs::path otherTarget = TemporaryPathFor(dir / "other.cds", gone, 0);
  const fs::path living = TemporaryPathFor(target, ::getppid(), 0);  // a save still running
  const fs::path lookalike = dir / (".site.cds.tmp" + std::to_string(gone) + "-0.bak");
  for (const fs::path& p : {stale, stale2, otherTarget, living, lookalike})
    dir.Write(p.filename().string(), std::string(4096, 'x'));

  // A failed save leaves them all alone.
  fs::create_directory(dir / "site.cds.d");
  EXPECT_FALSE(WriteFileAtomically(dir / "site.cds.d", "x").ok);
  EXPECT_TRUE(fs::exists(stale));

  ASSERT_TRUE(WriteFileAtomically(target, "new").ok);
  EXPECT_EQ(test::ReadWholeFile(target), "new");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(stale2));
  EXPECT_TRUE(fs::exists(otherTarget));
  EXPECT_TRUE(fs::exists(living));
  EXPECT_TRUE(fs::exists(lookalike));
}

TEST(FileSave, AFailedWriteLeavesThePreviousFileAndNoTemporaries) {
  test::ScratchFolder dir;
  const auto target = dir.Write("keep.cds", "previous contents");
  EXPECT_FALSE(WriteFileAtomically(dir / "missing" / "x.cds", "x").ok);
  if (::geteuid() != 0) {
    // A folder we may not write into: nothing can be created there.
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    const WriteResult w = WriteFileAtomically(target, "new");
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_FALSE(w.ok);
    EXPECT_FALSE(w.error.empty());
  }
  EXPECT_EQ(test::ReadWholeFile(target), "previous contents");
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"keep.cds"});
}

}  // namespace
}  // namespace kvx
