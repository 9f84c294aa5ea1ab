// Atomic replacement of files: a failed or interrupted write never replaces
// a good file.
#include "base/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/fakes.h"

namespace tallyhall {
namespace {

TEST(JoinPathTest, UsesExactlyOneSlash) {
  EXPECT_EQ(JoinPath("/srv/biller//", "/Tallyhall.ini"),
            "/srv/biller/Tallyhall.ini");
  EXPECT_EQ(JoinPath("data", "User.1"), "data/User.1");
  EXPECT_EQ(JoinPath("", "x"), "/x");
}

TEST(WriteFileAtomicallyTest, FailedWriteLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string path = dir.File("User.1");
  WriteFile(path, "old contents");
  std::string seen;
  AtomicWriteHooks hooks{.before_rename = [&](const std::string& temp) {
    seen = ReadFile(temp);
    return ENOSPC;
  }};
  Status status = WriteFileAtomically(path, "new contents", &hooks);
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.message(), path + ": No space left on device");
  EXPECT_EQ(seen, "new contents");
  EXPECT_EQ(ReadFile(path), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(WriteFileAtomicallyTest, ReplacesFileOverAStaleTempAndKeepsItsMode) {
  TempDir dir;
  const std::string path = dir.File("Score.1");
  WriteFile(path, "old");
  chmod(path.c_str(), 0640);
  WriteFile(path + ".tmp", "left by a crash");
  ASSERT_TRUE(WriteFileAtomically(path, std::string("n\0w", 3)).ok());
  EXPECT_EQ(ReadFile(path), std::string("n\0w", 3));
  EXPECT_FALSE(FileExists(path + ".tmp"));
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace tallyhall
