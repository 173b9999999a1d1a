// The real program against the station simulator: the thumbnail shows the cover of
// the song on air, the next song's cover after a change, and the station logo again
// when a cover turns out to be no picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <span>
#include <string>

#include "covers/builtin_images.h"
#include "platform/image_store.h"
#include "platform/pictures.h"
#include "sim_process.h"
#include "tests/e2e/capture.h"
#include "tests/e2e/harness.h"
#include "tests/e2e/station_port.h"

namespace e2e {
namespace {

using nlohmann::json;

// The port the program is built to find its station and cover host on.

// CoverThumb on the screen (the main window opens at the origin).
constexpr Geometry kThumb{2, 26, 168, 168};
constexpr sp::Rgb kCoverFill{76, 74, 72};

const char kKelp[] = "kelp circuit - low tide roller (night harbour).jpg";
const char kLumiere[] = "lumière break - café sunrise - côte liquid.png";
// The host sees this cover's name only up to its '?'.
const char kNovaPath[] =
    "/tidemark-radio/Covers/nova halyard + crew - orbit steppers (starboard dubs) why not";

sp::Bitmap Capture(Xvfb& display, const Geometry& area) {
  sp::Bitmap shot(area.width, area.height, 0);
  const std::vector<std::uint32_t> rgb = CaptureArea(display, area);
  for (std::size_t i = 0; i < rgb.size() && i < shot.pixels.size(); ++i)
    shot.pixels[i] = 0xFF000000u | rgb[i];
  return shot;
}

// The share of pixels that differ from `expected` by more than 2 in some channel.
double Mismatch(const sp::Bitmap& shot, const sp::Bitmap& expected) {
  if (shot.pixels.size() != expected.pixels.size()) return 1;
  std::size_t off = 0;
  for (std::size_t i = 0; i < shot.pixels.size(); ++i) {
    const sp::Rgb a = sp::RgbOf(shot.pixels[i]), b = sp::RgbOf(expected.pixels[i]);
    if (std::abs(a.r - b.r) > 2 || std::abs(a.g - b.g) > 2 || std::abs(a.b - b.b) > 2) ++off;
  }
  return double(off) / double(shot.pixels.size());
}

class CoverArtE2ETest : public ::testing::Test {
 protected:
  sp::test::SimProcess sim{{"--port", kStationPort}};
  Xvfb display;
  TempDir home;

  // What the thumbnail shows for a cover the simulator serves: the picture
  // stretched smoothly to 168 x 168.
  sp::Bitmap ExpectedCover(const std::string& name) {
    const sp::test::RawAnswer a =
        sp::test::RawGet(sim.BaseUrl() + sp::test::PercentEncode("/tidemark-radio/Covers/" + name));
    const auto picture = sp::pictures::Decode(
        std::span(reinterpret_cast<const std::uint8_t*>(a.body.data()), a.body.size()), 24);
    if (!picture) return {};
    return sp::ScaleSmooth(picture->bitmap, 168, 168);
  }
  // The built-in logo at 168 pixels over the canvas colour.
  static sp::Bitmap ExpectedLogo() {
    sp::LoadBuiltInImages();
    sp::Bitmap canvas(168, 168, sp::OpaquePixel(kCoverFill));
    if (const auto logo = sp::images::Get(sp::ImageId::DefaultCoverThumb))
      sp::BlendPixels(canvas, logo->bitmap, 0, 0, 255);
    return canvas;
  }
  bool ThumbShows(const sp::Bitmap& expected, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      last_mismatch_ = Mismatch(Capture(display, kThumb), expected);
      if (last_mismatch_ < 0.01) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      display.WaitPixel(0, 0, {1, 2, 3}, 100ms);
    }
  }
  void SetClock(const std::string& now) {
    sim.Control("POST", "clock", {{"now", now}, {"speed", 0}});
  }
  double last_mismatch_ = 1;
};

TEST_F(CoverArtE2ETest, TheThumbnailFollowsTheCoversOfTheSongsAndFallsBackToTheLogo) {
  ASSERT_TRUE(sim.ok());
  // Frozen clock; each step moves it to where the next song is fetched: 42 s after
  // the end of the one before, while the next is still on air.
  long status = 0;
  sim.Control(
      "POST", "scenario",
      {{"clock", {{"now", "2026-12-07 21:00:00"}, {"speed", 0}}},
       {"playlist_start", "2026-12-07 20:59:50"},
       {"songs", json::array({{{"title", "Low Tide Roller"},
                               {"artist", "Kelp Circuit"},
                               {"album", "Night Harbour"},
                               {"length", 30}},
                              {{"title", "Café Sunrise"},
                               {"artist", "Lumière Break"},
                               {"album", "Côte Liquid"},
                               {"length", 100}},
                              {{"title", "Orbit Steppers"},
                               {"artist", "Nova Halyard"},
                               {"album", "Starboard Dubs"},
                               {"length", 600}}})},
       {"faults", json::array({{{"path", kNovaPath}, {"kind", "error500"}, {"status", 200}}})}},
      &status);
  ASSERT_EQ(status, 200);
  const sp::Bitmap kelp = ExpectedCover(kKelp), lumiere = ExpectedCover(kLumiere);
  const sp::Bitmap logo = ExpectedLogo();
  ASSERT_FALSE(kelp.pixels.empty());
  ASSERT_FALSE(lumiere.pixels.empty());
  ASSERT_GT(Mismatch(kelp, logo), 0.9);  // the three really differ
  ASSERT_GT(Mismatch(kelp, lumiere), 0.9);

  Program program(display, home);
  ASSERT_TRUE(display.FindWindow(kMainTitle)) << program.Log();
  EXPECT_TRUE(ThumbShows(kelp, 20s)) << last_mismatch_ << "\n" << program.Log();
  // The cover file is deleted once shown; the list stays.
  EXPECT_TRUE(std::filesystem::exists(program.AppFolder() + "cover.txt"));
  EXPECT_FALSE(std::filesystem::exists(program.AppFolder() + kKelp));

  SetClock("2026-12-07 21:01:05");  // the first song ended at 21:00:20
  EXPECT_TRUE(ThumbShows(lumiere, 20s)) << last_mismatch_;

  SetClock("2026-12-07 21:02:45");  // the second ended at 21:02:00; its successor's cover is a page
  EXPECT_TRUE(ThumbShows(logo, 20s)) << last_mismatch_;
  display.SavePng(home.path() + "/thumb.png", kThumb);
  EXPECT_TRUE(program.process().Running());
}

}  // namespace
}  // namespace e2e
