// Tallyhall.ini: default text, lookup rules, in-place writes, refused writes
// and the conversions of the values read at start-up.
#include "base/settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/settings_reader.h"
#include "support/fakes.h"

namespace tallyhall {
namespace {

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() : file_(dir_.File("Tallyhall.ini")) {}

  void Write(std::string_view text) { WriteFile(file_.path(), text); }
  std::string Contents() const { return ReadFile(file_.path()); }
  std::string Read(std::string_view section, std::string_view key) const {
    return file_.ReadSetting(section, key);
  }

  TempDir dir_;
  SettingsFile file_;
};

TEST(DefaultSettingsTextTest, HasTwentyEightCrLfLines) {
  std::string_view text = kDefaultSettingsText;
  int lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++lines;
      EXPECT_EQ(text[i - 1], '\r');
    }
  }
  EXPECT_EQ(lines, 28);
  EXPECT_EQ(text.size(), 1258u);
  EXPECT_TRUE(text.starts_with("[Misc]\r\n// If 0, a zone op"));
  EXPECT_NE(text.find("\r\nAutoSave=01:00:00\r\n\r\n[Login]\r\n// The port"),
            std::string_view::npos);
  EXPECT_NE(text.find("after 30 seconds of loging in. [Default] is the "
                      "default message\r\nGreeting=[Default]\r\n"),
            std::string_view::npos);
  EXPECT_TRUE(text.ends_with(
      "\r\n[RegisteredZones]\r\n// If AllowNewZones=0, only zones listed "
      "under this section are allowed to connect to this billing server\r\n"
      "// Format: ServerName(from server.ini)=new biller password(should "
      "match one in server.ini under [Billing] section)\r\n"));
}

TEST_F(SettingsTest, LookupIgnoresCaseAndBlanksAndFirstMatchWins) {
  Write(
      "key=outside\n[ misc ]\r\n  LOGterminal =  7 \r\nlogterminal=8\r\n"
      "[Misc]\r\nOther=9\r\n");
  EXPECT_EQ(Read("MISC", "LogTerminal"), "7");
  EXPECT_EQ(Read("Misc", "Other"), "");  // only the first [Misc] is searched
  EXPECT_EQ(Read("Misc", "Missing"), "");
  EXPECT_EQ(Read("Nope", "key"), "");
}

TEST_F(SettingsTest, MissingFileReadsEmpty) {
  EXPECT_EQ(Read("Misc", "Greeting"), "");
  EXPECT_FALSE(FileExists(file_.path()));
}

TEST_F(SettingsTest, CommentLinesWithEqualsAreKeyLines) {
  ASSERT_TRUE(file_.EnsureExists().ok());
  EXPECT_EQ(Read("RegisteredZones", "// Format: ServerName(from server.ini)"),
            "new biller password(should match one in server.ini under "
            "[Billing] section)");
  EXPECT_EQ(Read("RegisteredZones", "// If AllowNewZones"),
            "0, only zones listed under this section are allowed to connect "
            "to this billing server");
}

TEST_F(SettingsTest, LongValueIsStoredAs255AndReadAs254) {
  ASSERT_TRUE(file_.EnsureExists().ok());
  ASSERT_TRUE(
      file_.WriteSetting("Misc", "Greeting", std::string(300, 'g')).ok());
  EXPECT_NE(Contents().find("Greeting=" + std::string(255, 'g') + "\r\n"),
            std::string::npos);
  EXPECT_EQ(Read("Misc", "Greeting"), std::string(254, 'g'));
}

TEST_F(SettingsTest, ReplacementKeepsEveryOtherLineByteForByte) {
  Write("[Login]\nPort = 4000\r\nx\r\n[Misc]\n");
  ASSERT_TRUE(file_.WriteSetting("login", "PORT", "5000").ok());
  EXPECT_EQ(Contents(), "[Login]\nPort =5000\r\nx\r\n[Misc]\n");
}

TEST_F(SettingsTest, NewKeyGoesToTheEndOfItsSection) {
  ASSERT_TRUE(file_.EnsureExists().ok());
  ASSERT_TRUE(file_.WriteSetting("Login", "Extra", "1").ok());
  ASSERT_TRUE(file_.WriteSetting("RegisteredZones", "Zone A", "pw").ok());
  std::string expected(kDefaultSettingsText);
  expected.insert(expected.find("AskNewUsers=1\r\n") + 15, "Extra=1\r\n");
  expected += "Zone A=pw\r\n";
  EXPECT_EQ(Contents(), expected);
}

TEST_F(SettingsTest, NewSectionGoesToTheEndOfTheFile) {
  Write("[A]\r\nk=v");
  ASSERT_TRUE(file_.WriteSetting("B", "key", "val").ok());
  EXPECT_EQ(Contents(), "[A]\r\nk=v\r\n[B]\r\nkey=val\r\n");
  ASSERT_TRUE(file_.WriteSetting("A", "k2", "v2").ok());
  EXPECT_EQ(Contents(), "[A]\r\nk=v\r\nk2=v2\r\n[B]\r\nkey=val\r\n");
}

TEST_F(SettingsTest, MissingFileIsCreatedByWrite) {
  ASSERT_TRUE(file_.WriteSetting("Misc", "Greeting", "hi").ok());
  EXPECT_EQ(Contents(), "[Misc]\r\nGreeting=hi\r\n");
  EXPECT_FALSE(FileExists(file_.path() + ".tmp"));
}

TEST_F(SettingsTest, StructureChangingWritesAreRefused) {
  ASSERT_TRUE(file_.EnsureExists().ok());
  const std::string nul(1, '\0');
  struct Case {
    std::string section, key, value;
  };
  for (const Case& c :
       std::initializer_list<Case>{{"Misc\r", "k", "v"},
                                   {"Misc", "k\n", "v"},
                                   {"Misc", "k", "a\r\n[X]"},
                                   {"Misc" + nul, "k", "v"},
                                   {"Misc", "k" + nul, "v"},
                                   {"Misc", "k", "v" + nul + "w"},
                                   {"Misc", "a=b", "v"},
                                   {"Misc", " [k]", "v"},
                                   {"Mi]sc", "k", "v"}}) {
    Status status = file_.WriteSetting(c.section, c.key, c.value);
    EXPECT_FALSE(status.ok()) << c.section << ":" << c.key;
    EXPECT_FALSE(status.message().empty());
  }
  EXPECT_EQ(Contents(), kDefaultSettingsText);
}

// The file holds every password.
TEST_F(SettingsTest, NewFileIsForItsOwnerOnly) {
  const mode_t old_umask = umask(0);
  const Status created = file_.EnsureExists();
  umask(old_umask);
  ASSERT_TRUE(created.ok());
  struct stat info;
  ASSERT_EQ(stat(file_.path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(SettingsTest, EnsureExistsKeepsAnExistingFile) {
  Write("[Misc]\r\nPort=1\r\n");
  ASSERT_TRUE(file_.EnsureExists().ok());
  EXPECT_EQ(Contents(), "[Misc]\r\nPort=1\r\n");
}

// A folder in its place would read as a file without keys.
TEST_F(SettingsTest, EnsureExistsRefusesAFolderInThePlaceOfTheFile) {
  ASSERT_TRUE(std::filesystem::create_directory(file_.path()));
  const Status status = file_.EnsureExists();
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(), file_.path() + ": not a regular file");
}

TEST_F(SettingsTest, FreshFolderLoadsTheDefaults) {
  Settings settings;
  ASSERT_TRUE(EnsureSettingsAndLoad(file_, settings).ok());
  EXPECT_EQ(Contents(), kDefaultSettingsText);
  EXPECT_FALSE(settings.log_terminal);
  EXPECT_EQ(settings.greeting, "[Default]");
  EXPECT_EQ(settings.auto_save, 3600);
  EXPECT_EQ(settings.port, 4000);
  EXPECT_TRUE(settings.allow_new_zones);
  EXPECT_TRUE(settings.allow_new_users);
  EXPECT_TRUE(settings.ask_new_users);
}

TEST_F(SettingsTest, ValuesThatDoNotConvertKeepTheirFields) {
  Write(
      "[Misc]\r\nAutoSave=abc\r\nLogTerminal=1abc\r\n[Login]\r\nPort="
      "70000\r\n");
  Settings settings;
  settings.port = 77;
  settings.auto_save = 30;
  ASSERT_TRUE(EnsureSettingsAndLoad(file_, settings).ok());
  EXPECT_EQ(settings.port, 77);
  EXPECT_EQ(settings.auto_save, 30);
  EXPECT_TRUE(settings.log_terminal);
  EXPECT_FALSE(settings.allow_new_zones);  // missing key reads as off
}

TEST(SettingsConversionTest, Flags) {
  EXPECT_TRUE(FlagFromText("1abc"));
  EXPECT_TRUE(FlagFromText("  -2"));
  EXPECT_TRUE(FlagFromText("99999999999"));
  EXPECT_FALSE(FlagFromText(""));
  EXPECT_FALSE(FlagFromText("yes"));
  EXPECT_FALSE(FlagFromText("0"));
}

// Ports open as written; the negative numbers that older files used for
// ports above 32767 keep naming the same port.
TEST(SettingsConversionTest, PortIsTheNumberAsWrittenOrItsSixteenBits) {
  const std::pair<std::string_view, std::optional<std::uint16_t>> cases[] = {
      {"35000", 35000},  {"-30536", 35000}, {"65535", 65535}, {"-1", 65535},
      {"-32768", 32768}, {"4000.5", 4000},  {"4001.5", 4002}, {"x", 0},
      {"0", 0},          {"70000", {}},     {"65535.5", {}},  {"-32769", {}},
      {"1E400", {}},
  };
  for (const auto& [text, port] : cases) {
    EXPECT_EQ(PortFromText(text), port) << text;
  }
}

// One warning per setting that does not read cleanly, naming the value the
// conversions give; none for a clean text.
TEST_F(SettingsTest, EachUncleanSettingGetsOneWarning) {
  struct Case {
    std::string_view from;  // a line of the default text
    std::string_view to;    // what it becomes
    std::string_view warning;
  };
  const Case cases[] = {
      {"Port=4000", "Port=32150x",
       "Port \"32150x\" in [Login] is not a plain number; using 32150"},
      {"Port=4000", "Port=-30536",
       "Port \"-30536\" in [Login] is negative, which reads as its 16 bits; "
       "using 35000"},
      {"Port=4000", "Port=4000.4",
       "Port \"4000.4\" in [Login] is not a whole number; using 4000"},
      {"Port=4000", "Port=70000",
       "Port \"70000\" in [Login] is out of range (1 to 65535); using 0"},
      {"Port=4000", "", "Port is missing from [Login]; using 0"},
      {"LogTerminal=0", "LogTerminal=1abc",
       "LogTerminal \"1abc\" in [Misc] is not a plain number; using 1 (on)"},
      {"AllowNewZones=1", "AllowNewZones=yes",
       "AllowNewZones \"yes\" in [Login] is not a plain number; using 0 "
       "(off)"},
      {"AskNewUsers=1", "AskNewUsers=",
       "AskNewUsers \"\" in [Login] is not a plain number; using 0 (off)"},
      {"AllowNewUsers=1", "",
       "AllowNewUsers is missing from [Login]; using 0 (off)"},
      {"AutoSave=01:00:00", "AutoSave=banana",
       "AutoSave \"banana\" in [Misc] is not a time hh:mm:ss; using 00:00:00"},
      {"AutoSave=01:00:00", "",
       "AutoSave is missing from [Misc]; using 00:00:00"},
      {"Greeting=[Default]", "",
       "Greeting is missing from [Misc]; using no greeting"},
      // Clean: an empty greeting means none; hex and a minus are numbers.
      {"Greeting=[Default]", "Greeting=", ""},
      {"LogTerminal=0", "LogTerminal=&H0", ""},
      {"AllowNewZones=1", "AllowNewZones= -1 ", ""},
      {"AutoSave=01:00:00", "AutoSave=00:30", ""},
      {"Port=4000", "Port=4000", ""},
  };
  for (const Case& c : cases) {
    std::string text(kDefaultSettingsText);
    text.replace(text.find(c.from), c.from.size() + (c.to.empty() ? 2 : 0),
                 c.to);
    Write(text);
    Settings settings;
    std::vector<std::string> warnings;
    ASSERT_TRUE(EnsureSettingsAndLoad(file_, settings, &warnings).ok());
    EXPECT_EQ(warnings, c.warning.empty()
                            ? std::vector<std::string>{}
                            : std::vector<std::string>{"Warning: " +
                                                       std::string(c.warning)})
        << c.to;
  }
}

TEST(SettingsConversionTest, TimeOfDay) {
  EXPECT_EQ(TimeFromText("01:00:00"), 3600);
  EXPECT_EQ(TimeFromText(" 23:59:59 "), 86399);
  EXPECT_EQ(TimeFromText("1:02:03"), 3723);
  EXPECT_EQ(TimeFromText("00:30"), 1800);
  EXPECT_EQ(TimeFromText("00:00:00"), 0);
  for (std::string_view bad :
       {"abc", "", "24:00:00", "00:60:00", "00:00:60", "1", "01:00:00:00",
        "001:00:00", "01:00:", "01-00-00", "1:00:00pm"}) {
    EXPECT_EQ(TimeFromText(bad), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace tallyhall
