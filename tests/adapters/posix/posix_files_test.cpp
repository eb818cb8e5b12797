// SPDX-License-Identifier: MIT
// Real files: atomic replacement, folders, renames, and failures as answers.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestFolders.h"
#include "posix/PosixFiles.h"

namespace brisquel::posix {
namespace {

namespace fs = std::filesystem;
using testing::freshFolder;

TEST(PosixFiles, FoldersFollowTheEnvironment) {
  // Its own values: run outside ctest the variables may be unset.
  ::setenv("XDG_DATA_HOME", "/tmp/brisquel-test-data", 1);
  ::setenv("HOME", "/tmp/brisquel-test-home", 1);
  PosixFiles files;
  EXPECT_EQ(files.applicationSupportDirectory(), fs::path("/tmp/brisquel-test-data"));
  EXPECT_EQ(files.homeDirectory(), fs::path("/tmp/brisquel-test-home"));
}

TEST(PosixFiles, WriteReplacesTheWholeFileAndLeavesNothingBehind) {
  const auto dir = freshFolder("write");
  PosixFiles files(dir, dir);
  const auto file = dir / "list.txt";
  ASSERT_TRUE(files.writeAtomically(file, std::string("first\0version", 13)));
  ::chmod(file.c_str(), 0600);
  // What a writer killed halfway an hour ago left; the next write clears it.
  std::ofstream(dir / ".list.txt.Ab12Cd") << "half";
  fs::last_write_time(dir / ".list.txt.Ab12Cd", fs::file_time_type::clock::now() - std::chrono::hours(1));
  ASSERT_TRUE(files.writeAtomically(file, "second"));
  EXPECT_EQ(files.read(file), "second");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
      << "replacing keeps the file's permissions";
  int entries = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    ++entries;
    EXPECT_EQ(e.path().filename(), "list.txt");
  }
  EXPECT_EQ(entries, 1);
}

TEST(PosixFiles, FoldersRenamesAndRemovalAndTheirFailures) {
  const auto dir = freshFolder("ops");
  PosixFiles files(dir, dir);
  EXPECT_FALSE(files.writeAtomically(dir / "missing-folder" / "x.txt", "x"));
  EXPECT_FALSE(files.read(dir).has_value()) << "a folder is not a file";
  const auto sub = dir / "a" / "b";
  EXPECT_TRUE(files.createDirectories(sub));
  EXPECT_TRUE(files.createDirectories(sub)) << "an existing folder is fine";
  const auto file = sub / "f.txt";
  ASSERT_TRUE(files.writeAtomically(file, "x"));
  EXPECT_TRUE(files.exists(file));

  EXPECT_TRUE(files.rename(file, sub / "g.txt"));
  EXPECT_FALSE(files.exists(file));
  EXPECT_EQ(files.read(sub / "g.txt"), "x");
  EXPECT_TRUE(files.remove(sub / "g.txt"));
  EXPECT_FALSE(files.exists(sub / "g.txt"));
  // Once gone, every operation on it answers no.
  EXPECT_FALSE(files.read(sub / "g.txt").has_value());
  EXPECT_FALSE(files.rename(sub / "g.txt", sub / "h.txt"));
  EXPECT_FALSE(files.remove(sub / "g.txt"));
}

}  // namespace
}  // namespace brisquel::posix
