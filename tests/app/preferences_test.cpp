// LoadPreferences and SavePreferences on real files in a temporary folder.
#include "app/preferences.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "app/app_data.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

class PreferencesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = AppData;
    char tmpl[] = "/tmp/sp-prefs-XXXXXX";
    root_ = std::string(::mkdtemp(tmpl)) + "/";
    AppData = Running();
  }
  void TearDown() override {
    AppData = saved_;
    fs::remove_all(root_);
  }

  // What start-up and a running program leave in AppData before a load.
  AppDataRecord Running() const {
    AppDataRecord r;
    r.WindowX = 5;
    r.WindowY = 6;
    r.cWinX = 7;
    r.cWinY = 8;
    r.cWinOpen = 1;
    r.cWindDock = 1;
    r.Preferences = root_;
    return r;
  }
  // The defaults after a file that could not be read as JSON.
  AppDataRecord StepFourDefaults() const {
    AppDataRecord r = Running();
    r.WindowX = r.WindowY = r.cWinX = r.cWinY = 0;
    return Forced(r);
  }
  static AppDataRecord Forced(AppDataRecord r) {
    r.WindowW = 730;
    r.WindowH = 195;
    r.MainStation = "tidemark";
    return r;
  }

  void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
  }
  std::string File() const { return root_ + "preferences.json"; }

  AppDataRecord saved_;
  std::string root_;
};

TEST_F(PreferencesTest, SaveThenLoadGivesTheSameRecordWithTheFixedFieldsForced) {
  // A folder name that needs every kind of escape.
  AppData.Preferences = root_ + "a\"b\\c\td\x01\xC3\xA9/";
  fs::create_directory(AppData.Preferences);
  AppData.WindowX = -1920;
  AppData.WindowY = -40;
  AppData.cWinX = -1190;
  AppData.cWinY = 73;
  AppData.WindowW = 1;
  AppData.WindowH = 2;
  AppData.MainStation = "other";
  const AppDataRecord written = AppData;
  ASSERT_TRUE(SavePreferences());

  AppData = Running();
  AppData.Preferences = written.Preferences;
  EXPECT_TRUE(LoadPreferences());
  EXPECT_EQ(AppData, Forced(written));
}

TEST_F(PreferencesTest, WritesTheRelativeFallBackFolderExampleByteForByte) {
  const fs::path cwd = fs::current_path();
  fs::current_path(root_);
  fs::create_directories("lumo/Tidemark Drum and Bass FM");
  AppData = Forced({});
  AppData.Preferences = "lumo/Tidemark Drum and Bass FM/";
  AppData.WindowX = 100;
  AppData.WindowY = 200;
  AppData.cWinX = 831;
  AppData.cWinY = 73;
  AppData.cWinOpen = AppData.cWindDock = 1;
  const bool saved = SavePreferences();
  const std::string bytes = Read("lumo/Tidemark Drum and Bass FM/preferences.json");
  fs::current_path(cwd);
  EXPECT_TRUE(saved);
  EXPECT_EQ(bytes,
            "{\r\n"
            "  \"WindowW\"    : 730,\r\n"
            "  \"WindowX\"    : 100,\r\n"
            "  \"WindowY\"    : 200,\r\n"
            "  \"Preferences\": \"lumo/Tidemark Drum and Bass FM/\",\r\n"
            "  \"MainStation\": \"tidemark\",\r\n"
            "  \"cWindDock\"  : 1,\r\n"
            "  \"cWinX\"      : 831,\r\n"
            "  \"cWinY\"      : 73,\r\n"
            "  \"cWinOpen\"   : 1,\r\n"
            "  \"WindowH\"    : 195\r\n"
            "}");
}

TEST_F(PreferencesTest, FilesNotReadAsJsonGiveTheDefaultsAndKeepTheFolder) {
  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  // Valid JSON that would clear the folder if it were read at all.
  const std::string huge = "{\"cWinOpen\": 0" + std::string(50 << 20, ' ') + "}";
  const std::string just_too_big = "{" + std::string((1 << 20) - 1, ' ') + "}";
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string cases[] = {
      "", "\xEF\xBB\xBF{\"WindowX\": 1}", "{\"WindowX\": 1} x", noise, huge, just_too_big, deep,
  };
  for (const auto& bytes : cases) {
    Write(File(), bytes);
    AppData = Running();
    EXPECT_FALSE(LoadPreferences()) << bytes.size();
    EXPECT_EQ(AppData, StepFourDefaults()) << bytes.size();
  }
}

TEST_F(PreferencesTest, NoRegularFileGivesTheDefaultsWithoutBlocking) {
  enum class Kind { Missing, Folder, Fifo };
  for (const Kind kind : {Kind::Missing, Kind::Folder, Kind::Fifo}) {
    fs::remove_all(File());
    if (kind == Kind::Folder) fs::create_directory(File());
    // Opening a FIFO for reading would wait for a writer.
    if (kind == Kind::Fifo) {
      ASSERT_EQ(::mkfifo(File().c_str(), 0600), 0);
    }
    AppData = Running();
    ::alarm(10);  // a load that blocks ends the test run instead of stalling it
    EXPECT_FALSE(LoadPreferences());
    ::alarm(0);
    EXPECT_EQ(AppData, StepFourDefaults());
  }
}

TEST_F(PreferencesTest, JsonThatHoldsNoFieldsClearsEverythingButTheFixedFields) {
  const std::string just_fits = "{" + std::string((1 << 20) - 2, ' ') + "}";
  for (const std::string& bytes :
       {std::string("{}"), std::string("[{\"WindowX\": 1}]"), std::string(" 42 \r\n"),
        std::string(R"({"MainStation": "other", "WindowW": 9, "WindowH": 9})"), just_fits}) {
    Write(File(), bytes);
    AppData = Running();
    EXPECT_TRUE(LoadPreferences()) << bytes.substr(0, 40);
    EXPECT_EQ(AppData, Forced({})) << bytes.substr(0, 40);
  }
}

TEST_F(PreferencesTest, AFolderInTheFileMovesTheApplicationFolder) {
  const std::string other = root_ + "other/";
  fs::create_directory(other);
  const std::string original = "{\"preferences\": \"" + other + "\", \"WINDOWX\": 3}";
  Write(File(), original);
  ASSERT_TRUE(LoadPreferences());
  EXPECT_EQ(AppData.Preferences, other);
  EXPECT_EQ(AppData.WindowX, 3);

  AppData.WindowX = 9;
  ASSERT_TRUE(SavePreferences());
  EXPECT_EQ(Read(File()), original);
  AppData = Running();
  AppData.Preferences = other;
  ASSERT_TRUE(LoadPreferences());
  EXPECT_EQ(AppData.WindowX, 9);

  // Without a trailing slash the file name is glued to the last folder name.
  AppData.Preferences = other + "x";
  ASSERT_TRUE(SavePreferences());
  EXPECT_TRUE(fs::is_regular_file(other + "xpreferences.json"));
}

TEST_F(PreferencesTest, SaveIntoAMissingFolderFailsAndCreatesNothing) {
  AppData.Preferences = root_ + "missing/";
  EXPECT_FALSE(SavePreferences());
  EXPECT_FALSE(fs::exists(root_ + "missing"));
  // A NUL would cut the path short at the system call and write elsewhere.
  AppData.Preferences = root_ + std::string("x\0/", 3);
  EXPECT_FALSE(SavePreferences());
  EXPECT_TRUE(fs::is_empty(root_));
}

}  // namespace
}  // namespace sp
