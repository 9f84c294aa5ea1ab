// ?bset, ?bget, ?save, ?autosave and ?greeting: the round trip through the
// settings file, writes refused without a trace, and the save period and
// greeting held in memory.
#include "commands/settings_commands.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "shell/server_events.h"
#include "support/core_fixture.h"

namespace tallyhall {
namespace {

using Lines = std::vector<std::string>;

// Ann is a SysOp.
class SettingsCommandsTest : public OnePlayerTest {
 protected:
  void SetUp() override {
    OnePlayerTest::SetUp();
    Ann().IsSysOp = -1;
  }
  std::string Ini() const { return ReadFile(folder_.File("Tallyhall.ini")); }
  // Replies and terminal lines, in that order, of one command by Ann.
  Lines Outcome(std::string_view command) {
    Lines lines = Ask(1, 5, command);
    for (std::string& line : TakeLines()) lines.push_back("log: " + line);
    return lines;
  }
};

TEST_F(SettingsCommandsTest, BgetReadsBackWhatBsetWrote) {
  const struct {
    std::string_view command;
    Lines outcome;
  } kCases[] = {
      {"?bset Misc:Motd:a:b", {"Misc:Motd:a:b"}},
      {"?bset  Misc:Empty:", {"Misc:Empty:"}},
      {"?bget misc:MOTD", {"misc:MOTD:a:b"}},
      {"?bget Misc:Motd:a", {"Misc:Motd:a:"}},
      {"?bset Misc:Motd", {"Format: ?bset (section):(key):(value)"}},
      {"?bget Misc", {"Format: ?bget (section):(key)"}},
  };
  for (const auto& c : kCases) EXPECT_EQ(Outcome(c.command), c.outcome);
  const std::string file = Ini();
  EXPECT_NE(file.find("AutoSave=01:00:00\r\nMotd=a:b\r\nEmpty=\r\n\r\n"),
            std::string::npos);
  // A key the file would not hold leaves it byte for byte as it was.
  EXPECT_EQ(Outcome("?bset Misc:a=b:v"),
            (Lines{"Misc:a=b:", "log: Invalid procedure call or argument 5"}));
  EXPECT_EQ(Ini(), file);
}

TEST_F(SettingsCommandsTest, WithoutSysOpOnlyAutoSaveAnswers) {
  Zone(1).Players[0].IsSysOp = 0;
  const std::string file = Ini();
  for (std::string_view command :
       {"?bset Misc:Motd:x", "?bget Misc:Greeting", "?save", "?greeting off"}) {
    EXPECT_EQ(Outcome(command), Lines{}) << command;
  }
  EXPECT_EQ(Outcome("?autosave 00:00:30"),
            Lines{"Format: ?autosave (hh:mm:ss)  Current value: 01:00:00"});
  EXPECT_EQ(Ini(), file);
  EXPECT_EQ(core_.settings().greeting, "[Default]");
}

TEST_F(SettingsCommandsTest, AutoSaveTakesWellFormedTimesInMemoryOnly) {
  const std::string format = "Format: ?autosave (hh:mm:ss)  Current value: ";
  const struct {
    std::string_view command;
    Lines outcome;
    int period;
  } kCases[] = {
      {"?autosave 00:00:30", {"AutoSave is set to 00:00:30"}, 30},
      {"?autosave 24:00:00",
       {"AutoSave is set to 00:00:30", "log: Type mismatch 13"},
       30},
      {"?autosave 1:00:00", {format + "00:00:30"}, 30},
      {"?autosave00:10:00 ", {format + "00:00:30"}, 30},
      {"?autosave23:59:59", {"AutoSave is set to 23:59:59"}, 86399},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Outcome(c.command), c.outcome);
    EXPECT_EQ(core_.settings().auto_save, c.period) << c.command;
  }
  EXPECT_NE(Ini().find("\nAutoSave=01:00:00\r\n"), std::string::npos);
}

TEST_F(SettingsCommandsTest, GreetingChangesWhatTheNextLoginHears) {
  const std::string format =
      "Format: ?greeting (custom/default/off)  Current: ";
  const std::string standard =
      "Greetings. This is Tallyhall. Type ?bhelp for biller commands";
  const struct {
    std::string_view command;
    std::string reply;
    Lines greeting;  // what the player who logs in next is told
  } kCases[] = {
      {"?greeting off", "Greeting is disabled", {}},
      {"?greeting", format + "Off", {}},
      {"?greeting  Hi [DEFAULT] ",
       "Greeting is set to custom",
       {"Hi " + standard + " "}},
      {"?greeting Default", "Greeting is set to custom", {"Default"}},
      {"?greeting default", "Greeting is set to default", {standard}},
      {"?greeting", format + "[Default]", {standard}},
  };
  std::int32_t player_id = 100;
  for (const auto& c : kCases) {
    EXPECT_EQ(Outcome(c.command), Lines{c.reply});
    ++player_id;
    LoginPlayer(1, "P" + std::to_string(player_id), player_id);
    OnGreetingTimer(core_);
    TakeLines();
    EXPECT_EQ(RepliesTo(1, player_id), c.greeting) << c.command;
  }
}

TEST_F(SettingsCommandsTest, SaveRepliesOnceAndOwnsUpToZonesNotSaved) {
  LoginZoneWithOwnUsers(2, "Second");
  TakeLines();
  EXPECT_EQ(Ask(1, 5, "?save"), Lines{"Databases are saved to disk"});
  EXPECT_EQ(TakeLines().size(), 2u);  // one "Written" line per zone
  core_.set_file_hooks({.before_rename = [](const std::string& temp) {
    return temp.ends_with("User.2.tmp") ? ENOSPC : 0;
  }});
  Zone(2).databases.users.Assign("", 0);
  EXPECT_EQ(Ask(1, 5, "?save"),
            Lines{"Databases of 1 of 2 zones could not be saved to disk"});
  // Once zone 2 has left, its unsaved database is retried by ?save.
  Receive(ZoneAddress(2), Hex("00 07"));
  EXPECT_EQ(Ask(1, 5, "?save"),
            Lines{"Databases of zones that left could not be saved to disk: "
                  "User.2"});
  core_.set_file_hooks({});
  EXPECT_EQ(Ask(1, 5, "?save"), Lines{"Databases are saved to disk"});
  EXPECT_TRUE(core_.pending().empty());
}

}  // namespace
}  // namespace tallyhall
