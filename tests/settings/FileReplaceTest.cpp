#include "settings/FileReplace.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <fstream>

#include "platform/TempDir.h"
#include "support/FileBytes.h"

namespace q17 {
namespace {

namespace fs = std::filesystem;

using test::Put;
using test::Slurp;

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileReplace, NewAndExistingFilesKeepTheirModeAndLinksEvenDanglingOnes) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  std::string error;
  const std::string file = dir / "a.set";
  ASSERT_TRUE(ReplaceWholeFile(file, "one", error)) << error;
  EXPECT_EQ(Slurp(file), "one");

  chmod(file.c_str(), 0640);
  ASSERT_TRUE(ReplaceWholeFile(file, "two", error)) << error;
  EXPECT_EQ(Slurp(file), "two");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const std::string link = dir / "link.set";
  ASSERT_EQ(symlink("a.set", link.c_str()), 0);
  ASSERT_TRUE(ReplaceWholeFile(link, "three", error)) << error;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Slurp(file), "three");
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a.set", "link.set"}));

  // A dangling link, through a second one: its target is made, both stay links.
  fs::create_directory(dir / "sub");
  ASSERT_EQ(symlink("sub/../sub/target.set", (dir / "dangling.set").c_str()), 0);
  ASSERT_EQ(symlink("dangling.set", (dir / "chain.set").c_str()), 0);
  ASSERT_TRUE(ReplaceWholeFile(dir / "chain.set", "four", error)) << error;
  EXPECT_TRUE(fs::is_symlink(dir / "chain.set"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.set"));
  EXPECT_EQ(Slurp(dir / "sub/target.set"), "four");
  ASSERT_EQ(symlink("loop.set", (dir / "loop.set").c_str()), 0);
  EXPECT_FALSE(ReplaceWholeFile(dir / "loop.set", "x", error));
  EXPECT_TRUE(fs::is_symlink(dir / "loop.set"));
}

TEST(FileReplace, AWriteStoppedBeforeTheRenameLeavesTheOldFileWhole) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string file = dir / "a.set";
  Put(file, "old contents\r\n");
  std::string error;
  bool reached = false;
  EXPECT_FALSE(ReplaceWholeFile(file, "new", error, [&] {
    reached = true;
    // The new text is on the disk in full beside the old file by now.
    for (const auto& name : Names(dir.path())) {
      if (name != "a.set") {
        EXPECT_EQ(Slurp(dir / name), "new");
      }
    }
    EXPECT_EQ(Names(dir.path()).size(), 2u);
    return false;
  }));
  EXPECT_TRUE(reached);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(Slurp(file), "old contents\r\n");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.set"});
}

// Each failure is also told beforehand, by the refusal, which leaves nothing behind.
TEST(FileReplace, FailuresLeaveEverythingAsItWas) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  fs::create_directory(dir / "folder");
  std::string error;
  EXPECT_FALSE(ReplaceWholeFile(dir / "no-such-folder/a.set", "x", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReplaceRefusal(dir / "no-such-folder/a.set"), error);
  error.clear();
  EXPECT_FALSE(ReplaceWholeFile(dir / "folder", "x", error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReplaceRefusal(dir / "folder"), error);
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_EQ(ReplaceRefusal(dir / "folder/new.set"), "");

  // A read-only file, or one in a read-only folder, stays unwritten; root
  // may write anything, so only other users see the refusal.
  const std::string file = dir / "ro.set";
  Put(file, "kept");
  chmod(file.c_str(), 0444);
  chmod((dir / "folder").c_str(), 0555);
  if (geteuid() != 0) {
    EXPECT_FALSE(ReplaceWholeFile(file, "x", error));
    EXPECT_EQ(ReplaceRefusal(file), error);
    EXPECT_EQ(Slurp(file), "kept");
    EXPECT_FALSE(ReplaceWholeFile(dir / "folder/new.set", "x", error));
    EXPECT_EQ(ReplaceRefusal(dir / "folder/new.set"), error);
  }
  chmod((dir / "folder").c_str(), 0755);
  EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"folder", "ro.set"}));
  EXPECT_TRUE(Names(dir / "folder").empty());
}

TEST(FileReplace, ANextReplacementRemovesOnlyLeftoversWhoseWriterIsGoneOrThatAreTooOld) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::vector<std::string> others = {
      ".a.set.abc.tmp",         // not eight letters
      ".a.set.ABCD1234.tmp",    // letters the temporaries never have
      ".b.set.abcd1234.tmp",    // another file's
      "a.set.abcd1234.tmp",     // no leading dot
      ".a.set.abcd1234.tmp.x",  // not the name's end
  };
  const auto now = fs::file_time_type::clock::now();
  const auto age = [&](const std::string& name, std::chrono::seconds seconds) {
    fs::last_write_time(dir / name, now - seconds);
  };
  for (const auto& name : others) {
    Put(dir / name, "keep");
    age(name, std::chrono::hours(1));
  }
  // Killed saves: nobody holds them.
  Put(dir / ".a.set.abcd1234.tmp", "left by a killed save");
  age(".a.set.abcd1234.tmp", std::chrono::minutes(1));
  Put(dir / ".a.set.0000zzzz.tmp", "and another");
  age(".a.set.0000zzzz.tmp", std::chrono::hours(1));
  // Another program saving a.set right now holds its temporary's lock.
  Put(dir / ".a.set.live0000.tmp", "being written");
  age(".a.set.live0000.tmp", std::chrono::minutes(2));
  const int live = open((dir / ".a.set.live0000.tmp").c_str(), O_RDONLY);
  ASSERT_GE(live, 0);
  ASSERT_EQ(flock(live, LOCK_EX), 0);
  // One that was just made may not be locked yet.
  Put(dir / ".a.set.new00000.tmp", "just created");
  // A writer that has held its lock longer than any save takes is stuck.
  Put(dir / ".a.set.stuck000.tmp", "stuck");
  age(".a.set.stuck000.tmp", std::chrono::hours(1));
  const int stuck = open((dir / ".a.set.stuck000.tmp").c_str(), O_RDONLY);
  ASSERT_EQ(flock(stuck, LOCK_EX), 0);

  std::string error;
  ASSERT_TRUE(ReplaceWholeFile(dir / "a.set", "new", error)) << error;
  close(live);
  close(stuck);
  std::vector<std::string> expected = others;
  expected.insert(expected.end(), {"a.set", ".a.set.live0000.tmp", ".a.set.new00000.tmp"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Names(dir.path()), expected);
}

TEST(FileReplace, AResultTooLargeToReadAgainIsNotWritten) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string file = dir / "a.set";
  Put(file, "old");
  std::string error;
  EXPECT_FALSE(ReplaceWholeFile(file, std::string(kMaxSmallFile + 1, 'x'), error));
  EXPECT_EQ(error, "would be larger than 1024 KiB, the largest settings file this program reads");
  EXPECT_EQ(Slurp(file), "old");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"a.set"});
  EXPECT_TRUE(ReplaceWholeFile(file, std::string(kMaxSmallFile, 'x'), error)) << error;
}

TEST(FileReplace, ReadsOnlySmallRegularFiles) {
  test::TempDir dir;
  ASSERT_TRUE(dir.ok());
  Put(dir / "big", std::string(kMaxSmallFile + 1, 'x'));
  Put(dir / "limit", std::string(kMaxSmallFile, 'x'));
  std::string bytes, error;
  EXPECT_EQ(ReadSmallFile(dir / "missing", bytes, error), TFileRead::Missing);
  EXPECT_EQ(ReadSmallFile(dir.path(), bytes, error), TFileRead::Unreadable);
  EXPECT_EQ(ReadSmallFile(dir / "big", bytes, error), TFileRead::Unreadable);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadSmallFile(dir / "limit", bytes, error), TFileRead::Read);
  EXPECT_EQ(bytes.size(), kMaxSmallFile);
}

}  // namespace
}  // namespace q17
