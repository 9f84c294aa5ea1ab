// The server on a small file system that fills up: a zone that leaves while
// its save fails keeps its players' scores for its return, and a shutdown
// that still cannot write them says so with exit status 2.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "e2e/e2e_fixture.h"

namespace tallyhall {
namespace {

class FullDiskTest : public E2eTest {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting a tmpfs needs root";
    if (mount("tallyhall-test", folder_.path().c_str(), "tmpfs", 0,
              "size=1m") != 0) {
      GTEST_SKIP() << "a tmpfs could not be mounted: " << std::strerror(errno);
    }
    mounted_ = true;
    E2eTest::SetUp();
  }

  void TearDown() override {
    server_.reset();
    if (mounted_) umount2(folder_.path().c_str(), MNT_DETACH);
  }

  // Fills the file system to the last byte.
  void FillDisk() {
    FILE* filler = std::fopen(File("filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    std::fclose(filler);
    // The last partial block may still fit byte by byte.
    filler = std::fopen(File("filler").c_str(), "ab");
    while (std::fputc('f', filler) != EOF && std::fflush(filler) == 0) {
    }
    std::fclose(filler);
  }

  bool WaitForSecondScoreUpdate() {
    const std::string line = "Score data updated to Score Database";
    for (int tries = 0; tries < 300; ++tries) {
      const std::string out = Output();
      const std::size_t first = out.find(line);
      if (first != std::string::npos &&
          out.find(line, first + 1) != std::string::npos) {
        return true;
      }
      ::usleep(10'000);
    }
    return false;
  }

  bool mounted_ = false;
};

TEST_F(FullDiskTest, ZoneLeavingDuringFullDiskGetsItsScoresBack) {
  auto zone = StartWithZone();
  const std::string scores = Hex("32 00 02 00 03 00 64 00 00 00 c8 00 00 00");
  Exchange(*zone, PlayerLogin("Ann", 21, true));
  zone->SendReliable(PlayerLogoffMessage(21, 60, scores));
  ASSERT_TRUE(server_->WaitForOutput("Score data updated to Score Database"));
  FillDisk();
  zone->SendRaw(Hex("00 07"));
  ASSERT_TRUE(server_->WaitForOutput("No space left on device"));

  std::filesystem::remove(File("filler"));
  zone = NewZone();
  ASSERT_EQ(zone->LogIn(ZoneLoginFields{}), Hex("00 04 00 00 00 00"));
  ASSERT_TRUE(server_->WaitForOutput(
      "Score.1 is taken from the copy kept since its save failed"));
  std::vector<ServerMessage> got =
      Exchange(*zone, PlayerLogin("Ann", 22, false));
  ASSERT_EQ(got.size(), 1u);
  ASSERT_EQ(got[0].message.size(), 192u);
  EXPECT_EQ(got[0].message.substr(178, 14), scores);

  // Full again at shutdown: what could not be written is named.
  zone->SendReliable(PlayerLogoffMessage(22, 1, scores));
  ASSERT_TRUE(WaitForSecondScoreUpdate());
  FillDisk();
  EXPECT_EQ(server_->Stop(SIGTERM), 2);
  EXPECT_NE(Output().find("Databases not saved at shutdown: Score.1, User.1"),
            std::string::npos)
      << Output();
}

}  // namespace
}  // namespace tallyhall
