// ?version, ?about, ?misc and ?bhelp: exact texts, the version line's date and
// size, and which ?bhelp blocks each level sees.
#include "commands/server_info_commands.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "commands/command_context.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

constexpr std::string_view kPlainFind =
    "?find (name) - Find a player on the biller network";
constexpr std::string_view kSysOpFind =
    "?find (name/macid/ip) - Search for a player using name/macid/ip";

using ServerInfoCommandsTest = OnePlayerTest;

TEST_F(ServerInfoCommandsTest, VersionAloneGetsOneLineAndVariantsGetNone) {
  const std::vector<std::string> replies = AnnTypes("?version");
  ASSERT_EQ(replies.size(), 1u);
  // The running executable's own date and size.
  EXPECT_EQ(replies[0], VersionText(kExecutablePath));
  EXPECT_TRUE(replies[0].starts_with("Tallyhall1 (Vesta Biller) Date "))
      << replies[0];
  EXPECT_TRUE(AnnTypes("?version ").empty());
  EXPECT_TRUE(AnnTypes("?Version").empty());
}

TEST_F(ServerInfoCommandsTest, VersionTextGivesTheFilesLocalDateAndSize) {
  const std::string path = folder_.File("program");
  WriteFile(path, std::string(1234, 'x'));
  const timespec noon{1614859200, 0};  // 2021-03-04 12:00:00 UTC
  const timespec times[2] = {noon, noon};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  const char* old_zone = std::getenv("TZ");
  const std::string saved = old_zone ? old_zone : "";
  setenv("TZ", "UTC0", 1);
  tzset();
  const std::string utc = VersionText(path);
  setenv("TZ", "<+14>-14", 1);  // already the 5th there
  tzset();
  const std::string east = VersionText(path);
  old_zone ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
  tzset();
  EXPECT_EQ(utc,
            "Tallyhall1 (Vesta Biller) Date 03/04/2021 Size 1234B  "
            "Tallyhall player database server");
  EXPECT_NE(east.find(" Date 03/05/2021 "), std::string::npos) << east;
}

TEST_F(ServerInfoCommandsTest, MissingExecutableWritesFailureLineAndNoReply) {
  EXPECT_EQ(VersionText(folder_.File("missing")), "");
  CommandContext ctx{.core = core_,
                     .zone_id = 1,
                     .zone = Zone(1),
                     .player = Ann(),
                     .player_id = 5,
                     .text = "?version"};
  ReplyVersion(ctx, folder_.File("missing"));
  EXPECT_TRUE(RepliesTo(1, 5).empty());
  EXPECT_EQ(TakeLines(), std::vector<std::string>{"File not found 53"});
}

TEST_F(ServerInfoCommandsTest, AboutAndMiscSendTheirFixedTexts) {
  const std::vector<std::string> about = AnnTypes("?about");
  ASSERT_EQ(about.size(), 1u);
  EXPECT_TRUE(about[0].starts_with("A biller is a program that connects"));
  EXPECT_TRUE(about[0].ends_with("and other related information."));
  const std::vector<std::string> misc = AnnTypes("?misc");
  ASSERT_EQ(misc.size(), 6u);
  EXPECT_EQ(misc[0], "Helpfull Information");
  EXPECT_EQ(misc[5],
            "When you dissolve your squad, all the members that were in it "
            "leave it.");
}

TEST_F(ServerInfoCommandsTest,
       HelpShowsThePublicBlockAndTheBlocksOfHeldLevels) {
  std::vector<std::string> help = AnnTypes("?bhelp");
  ASSERT_EQ(help.size(), 30u);
  EXPECT_EQ(help.front(), "Player Database (Biller) Commands");
  EXPECT_EQ(help[4], kPlainFind);
  EXPECT_EQ(help.back(),
            "?logoff (M/A/S) - Drop biller MessageOp/AccountOp/SysOp status");

  Ann().IsSysOp = -1;  // a SysOp reads his own ?find line instead
  help = AnnTypes("?bhelp");
  ASSERT_EQ(help.size(), 45u);
  EXPECT_EQ(std::count(help.begin(), help.end(), kPlainFind), 0);
  EXPECT_EQ(help[29], kSysOpFind);
  EXPECT_TRUE(help.back().starts_with("?autosave (hh:mm:ss)"));

  Ann().IsMessageOp = Ann().IsAccountOp = -1;
  help = AnnTypes("?bhelp");
  ASSERT_EQ(help.size(), 50u);
  EXPECT_EQ(std::count(help.begin(), help.end(), kPlainFind), 0);
  EXPECT_TRUE(help[29].starts_with("**(message) - Send an arena message"));
  EXPECT_TRUE(help[30].starts_with("?username (UserID):(new name)"));
  EXPECT_TRUE(help[33].starts_with("?scoreedit (UserID)"));
  EXPECT_EQ(help[34], kSysOpFind);
}

}  // namespace
}  // namespace tallyhall
