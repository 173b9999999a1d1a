// What a user gets from `cmake --install` and from the Debian package: launcher files
// that validate, icons at every size, a package that names what it needs, and an
// installed program that starts, names its windows as its launcher says and plays.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <thread>

#include "sim_process.h"
#include "tests/e2e/audio.h"
#include "tests/e2e/commands.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

constexpr char kAppId[] = STATIONPLAYER_APP_ID;

// The value of `key` in a desktop entry file, or empty.
std::string EntryValue(const std::string& file, const std::string& key) {
  std::smatch m;
  if (std::regex_search(file, m, std::regex("(^|\n)" + key + "=([^\n]*)"))) return m[2];
  return "";
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const CommandResult install =
        RunCommand({CMAKE_COMMAND, "--install", STATIONPLAYER_BUILD_DIR, "--prefix", prefix}, {},
                   work.path(), 120s);
    ASSERT_EQ(install.code, 0) << install.output;
  }
  std::string Share(const std::string& path) const { return prefix + "/share/" + path; }

  TempDir work;
  const std::string prefix = work.path() + "/prefix";
};

TEST_F(InstallTest, LauncherIconsAndMetadataValidateAndThePackageNamesWhatItNeeds) {
  const std::string desktop = Share("applications/" + std::string(kAppId) + ".desktop");
  const CommandResult entry = RunCommand({"desktop-file-validate", desktop}, {}, work.path(), 30s);
  EXPECT_EQ(entry.code, 0);
  EXPECT_EQ(entry.output, "");  // not even a hint
  const CommandResult meta =
      RunCommand({"appstreamcli", "validate", "--no-net",
                  Share("metainfo/" + std::string(kAppId) + ".metainfo.xml")},
                 {}, work.path(), 60s);
  EXPECT_EQ(meta.code, 0) << meta.output;

  const std::string text = ReadFile(desktop);
  EXPECT_EQ(EntryValue(text, "Exec"), "stationplayer");
  EXPECT_EQ(EntryValue(text, "Icon"), kAppId);
  EXPECT_EQ(EntryValue(text, "StartupWMClass"), kAppId);
  EXPECT_EQ(EntryValue(text, "Categories"), "AudioVideo;Audio;Player;");
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
    const std::string side = std::to_string(size);
    EXPECT_EQ(PngSize(ReadFile(Share("icons/hicolor/" + side + "x" + side + "/apps/" +
                                     std::string(kAppId) + ".png"))),
              std::make_pair(size, size));
  }

  const std::string packages = work.path() + "/packages";
  const CommandResult pack =
      RunCommand({CPACK_COMMAND, "-G", "DEB", "--config",
                  STATIONPLAYER_BUILD_DIR "/CPackConfig.cmake", "-B", packages},
                 {}, work.path(), 300s);
  ASSERT_EQ(pack.code, 0) << pack.output;
  std::string deb;
  for (const auto& e : std::filesystem::directory_iterator(packages))
    if (e.path().extension() == ".deb") deb = e.path();
  ASSERT_FALSE(deb.empty()) << pack.output;

  const CommandResult info = RunCommand({"dpkg-deb", "--info", deb}, {}, work.path(), 30s);
  ASSERT_EQ(info.code, 0) << info.output;
  std::smatch line;
  std::regex_search(info.output, line, std::regex("\n Depends: ([^\n]*)"));
  const std::string depends = line.size() > 1 ? line[1].str() : "";
  for (const char* needed : {"libgtk-3-0", "libwebkit2gtk-4.1-0", "libcurl4", "libglib2.0-0",
                             "gstreamer1.0-plugins-base", "gstreamer1.0-plugins-good",
                             "gstreamer1.0-plugins-bad", "gstreamer1.0-pulseaudio"})
    EXPECT_NE(depends.find(needed), std::string::npos) << needed << " in " << info.output;

  const CommandResult contents = RunCommand({"dpkg-deb", "--contents", deb}, {}, work.path(), 30s);
  ASSERT_EQ(contents.code, 0) << contents.output;
  for (const std::string& file :
       {std::string("./usr/bin/stationplayer"),
        "./usr/share/applications/" + std::string(kAppId) + ".desktop",
        "./usr/share/metainfo/" + std::string(kAppId) + ".metainfo.xml",
        "./usr/share/icons/hicolor/16x16/apps/" + std::string(kAppId) + ".png",
        "./usr/share/icons/hicolor/512x512/apps/" + std::string(kAppId) + ".png",
        std::string("./usr/share/doc/stationplayer/copyright"),
        std::string("./usr/share/doc/stationplayer/changelog.gz"),
        std::string("./usr/share/man/man1/stationplayer.1.gz")})
    EXPECT_NE(contents.output.find(" " + file + "\n"), std::string::npos) << file;

  // Debian's package checker: every error and warning fails, but those the package's own
  // override file explains.
  const CommandResult lint =
      RunCommand({"lintian", "--fail-on", "error,warning", "--tag-display-limit", "0", deb}, {},
                 work.path(), 300s);
  EXPECT_EQ(lint.code, 0) << lint.output;
}

TEST_F(InstallTest, TheInstalledProgramNamesItsWindowsAsItsLauncherAndPlaysTheStation) {
  sp::test::SimProcess sim{{"--port", kStationPort}};
  ASSERT_TRUE(sim.ok()) << "the simulator could not take port " << kStationPort;
  Xvfb display;
  SessionBus bus(work.path());
  Program program(
      display, work,
      {.env = {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}, .exe = prefix + "/bin/stationplayer"});
  const auto window = display.FindWindow(kMainTitle, 20s);
  ASSERT_TRUE(window) << program.Log();
  EXPECT_EQ(display.WindowClass(*window), std::make_pair(std::string(kAppId), std::string(kAppId)));

  // It asks the station for the song and plays the stream.
  auto asked = [&](const std::string& path) {
    for (const auto& r : sim.Requests())
      if (r["path"] == path) return true;
    return false;
  };
  bool both = false;
  for (int i = 0; i < 300 && !both; ++i) {
    both = asked("/api/station/tidemark/current_song") && asked("/stream/tidemark");
    if (!both) std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(both) << sim.Requests().dump();

  // The media player it offers names the same launcher.
  CommandResult entry;
  for (int i = 0; i < 50 && entry.code != 0; ++i) {
    if (i > 0) std::this_thread::sleep_for(100ms);
    entry = RunCommand(
        {"gdbus", "call", "--session", "--dest", "org.mpris.MediaPlayer2.stationplayer",
         "--object-path", "/org/mpris/MediaPlayer2", "--method",
         "org.freedesktop.DBus.Properties.Get", "org.mpris.MediaPlayer2", "DesktopEntry"},
        {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}}, work.path(), 15s);
  }
  EXPECT_EQ(entry.output, "(<'" + std::string(kAppId) + "'>,)\n");

  display.RequestClose(*window);
  EXPECT_EQ(program.process().WaitExit(10s), std::optional<int>(0));
}

}  // namespace
}  // namespace e2e
