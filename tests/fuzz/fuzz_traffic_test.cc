// The packet fuzzer's traffic builders: the command shapes reach every
// command word, the committed seeds and dictionary are what make_seeds
// writes, and fault instructions fail the files they name.
#include "fuzz/fuzz_traffic.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "commands/command_table.h"
#include "fuzz/command_shapes.h"
#include "fuzz/file_faults.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

TEST(FuzzTrafficTest, CommandShapesReachEveryCommandWord) {
  std::set<std::string_view> reached;
  for (const std::string& shape : CommandShapes()) {
    const CommandEntry* entry = FindCommand(shape);
    ASSERT_NE(entry, nullptr) << shape;
    EXPECT_TRUE(shape.starts_with(entry->text)) << shape;
    // libFuzzer drops dictionary entries over 64 bytes; the chunk form
    // adds 16.
    EXPECT_LE(shape.size(), 48u) << shape;
    reached.insert(entry->text);
  }
  EXPECT_EQ(reached.size(), CommandTable().size());
}

TEST(FuzzTrafficTest, CommittedSeedsAndDictionaryAreCurrent) {
  const std::string folder = TALLYHALL_FUZZ_DIR;
  std::size_t seeds = 0;
  for (const auto& [name, bytes] : SeedInputs()) {
    EXPECT_EQ(ReadFile(folder + "/corpus/" + name), bytes) << name;
    ++seeds;
  }
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(folder + "/corpus"),
                    std::filesystem::directory_iterator()),
      static_cast<std::ptrdiff_t>(seeds));
  EXPECT_EQ(ReadFile(folder + "/commands.dict"), DictionaryText());
}

TEST(FuzzTrafficTest, FaultInstructionsFailTheFilesTheyName) {
  FileFaults faults;
  auto write_fault = [&](FaultFile file, int id, int error, int count) {
    faults.FailWrites(ReadFileFault(
        FileFaultChunk(kWriteFaultSelector, file, id, error, count).substr(1)));
  };
  write_fault(FaultFile::kUser, 0, ENOSPC, 2);
  write_fault(FaultFile::kScore, 3, EIO, 1);
  EXPECT_EQ(faults.BeforeRename("/f/Squad.1.tmp"), 0);
  EXPECT_EQ(faults.BeforeRename("/f/Score.1.tmp"), 0);
  EXPECT_EQ(faults.BeforeRename("/f/Score.3.tmp"), EIO);
  EXPECT_EQ(faults.BeforeRename("/f/Score.3.tmp"), 0);
  EXPECT_EQ(faults.BeforeRename("/f/User.12.tmp"), ENOSPC);
  write_fault(FaultFile::kSettings, 0, EIO, 9);
  EXPECT_EQ(faults.BeforeRename("/f/Tallyhall.ini.tmp"), EIO);
  write_fault(FaultFile::kSquad, 0, EIO, 0);  // the disk is free again
  EXPECT_EQ(faults.BeforeRename("/f/User.1.tmp"), 0);
  EXPECT_EQ(faults.replaced(),
            (std::set<std::string>{"Squad.1", "Score.1", "Score.3", "User.1"}));
  EXPECT_EQ(faults.failed().size(), 3u);

  faults.FailNextRead(ReadFileFault(
      FileFaultChunk(kReadFaultSelector, FaultFile::kSquad, 2, ENOSPC)
          .substr(1)));
  EXPECT_EQ(faults.BeforeRead("/f/Squad.1"), 0);
  EXPECT_EQ(faults.BeforeRead("/f/Squad.2"), ENOSPC);
  EXPECT_EQ(faults.BeforeRead("/f/Squad.2"), 0);
  // A fault byte that is missing reads as 0; a missing count as 1.
  const FileFault shortest = ReadFileFault("");
  EXPECT_EQ(shortest.name, "User.");
  EXPECT_EQ(shortest.error, ENOSPC);
  EXPECT_EQ(shortest.count, 1);
}

}  // namespace
}  // namespace tallyhall
