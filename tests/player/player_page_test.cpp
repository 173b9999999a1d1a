// The player page: its exact text, and its loading into the web view.
#include "player/player_page.h"

#include <gtest/gtest.h>

#include <string>

#include "build_config.h"
#include "platform/headless/headless.h"

namespace sp {
namespace {

// The page's fragments in order; the stream URL goes between the two halves.
constexpr const char* kBeforeUrl[] = {
    "<meta http-equiv='X-UA-Compatible' content='IE=edge' />",
    "<body style='background-color: RGB(0, 0, 0); margin-top:0px; margin-left:0px;' scroll=no>",
    "<div id='VIDEO' oncontextmenu='return false;' style='margin-top:0px; margin-left:3px; "
    "width:550px; overflow:hidden; background-color:transparent !important;'>",
    "<audio id='stream' style='height:40px; width:550px; 'figure autoplay controls>",
    "<source src='",
};
constexpr const char* kAfterUrl[] = {
    "'>",
    "</audio>",
    "</div>",
    "<script>",
    "var audio = document.getElementById('stream');",
    "audio.volume = 0.3;",
    "function addVolume() { if (audio.volume + 0.1 < 1.0) { audio.volume += 0.1;} }",
    "function subtractVolume() { if (audio.volume - 0.1 > 0) { audio.volume -= 0.1;} }",
    "document.getElementById('stream').style.backgroundColor = 'transparent'",
    "</script>",
};

std::string Expected(const std::string& url) {
  std::string page;
  for (const char* f : kBeforeUrl) page += f;
  page += url;
  for (const char* f : kAfterUrl) page += f;
  return page;
}

TEST(PlayerPageTest, IsOneLineOfTheFragmentsWithTheStreamUrlGluedInUnescaped) {
  struct Case {
    std::string base, station, url;
  };
  const Case cases[] = {
      {"http://127.0.0.1:8080/stream/", "tidemark", "http://127.0.0.1:8080/stream/tidemark"},
      {"https://radio.example/listen/", "", "https://radio.example/listen/"},
      // Nothing is encoded, not even what would break the attribute.
      {"http://h/a b/", "x&y=1'z", "http://h/a b/x&y=1'z"},
  };
  for (const auto& c : cases) {
    const std::string page = MakePlayerPage(c.base, c.station);
    EXPECT_EQ(page, Expected(c.url)) << c.station;
    EXPECT_EQ(page.find_first_of("\r\n"), std::string::npos);
  }
}

class BuildPlayerPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
  }
  headless::World& world = headless::TheWorld();
};

TEST_F(BuildPlayerPageTest, LoadsThePageForTheStationFromTheBuildsStreamBase) {
  ASSERT_TRUE(ui::CreateWebView({WindowId::Main, ControlId::PlayerView, 170, 154, 558, 40}));
  BuildPlayerPage(ControlId::PlayerView, "tidemark");
  const std::string page = world.web_pages.at(Num(ControlId::PlayerView));
  EXPECT_EQ(page, Expected(std::string(config::kStreamBase) + "tidemark"));
  EXPECT_NE(page.find("<source src='" + std::string(config::kStreamBase) + "tidemark'>"),
            std::string::npos);
}

TEST_F(BuildPlayerPageTest, WithoutTheWebViewLoadsNothingAndSaysNothing) {
  world.fail_web_view = true;
  EXPECT_FALSE(ui::CreateWebView({WindowId::Main, ControlId::PlayerView, 170, 154, 558, 40}));
  BuildPlayerPage(ControlId::PlayerView, "tidemark");
  EXPECT_TRUE(world.web_pages.empty());
  EXPECT_TRUE(world.message_boxes.empty());
}

}  // namespace
}  // namespace sp
