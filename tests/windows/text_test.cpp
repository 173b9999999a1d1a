// Text through GDI fonts into the program's bitmaps.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/text.h"
#include "platform/unicode.h"

namespace sp {
namespace {

int CountNear(const Bitmap& bmp, Rgb colour) {
  return int(std::count_if(bmp.pixels.begin(), bmp.pixels.end(), [&](Pixel p) {
    const Rgb c = RgbOf(p);
    return std::abs(c.r - colour.r) < 40 && std::abs(c.g - colour.g) < 40 &&
           std::abs(c.b - colour.b) < 40;
  }));
}

TEST(WindowsText, DrawsGlyphsInTheColourAndMeasuresLines) {
  ASSERT_TRUE(text::CreateFont(FontId::UiLarge, "Arial", 19));
  Bitmap bmp(120, 30, OpaquePixel({255, 255, 255}));
  text::Draw(bmp, FontId::UiLarge, 2, 2, "SUBSCRIBE", {200, 0, 0});
  EXPECT_GT(CountNear(bmp, {200, 0, 0}), 20);
  EXPECT_GT(CountNear(bmp, {255, 255, 255}), 120 * 30 / 2);  // only the glyphs change
  EXPECT_TRUE(std::all_of(bmp.pixels.begin(), bmp.pixels.end(),
                          [](Pixel p) { return AlphaOf(p) == 0xFF; }));
  const auto one = text::Measure(FontId::UiLarge, "W"),
             three = text::Measure(FontId::UiLarge, "WWW");
  EXPECT_GT(one.width, 0);
  EXPECT_GT(three.width, 2 * one.width);
  EXPECT_GE(one.height, 19);
  EXPECT_FALSE(text::CreateFont(FontId::UiSmall, "Arial", 0));
}

TEST(WindowsText, DrawingOutsideTheBitmapIsCut) {
  ASSERT_TRUE(text::CreateFont(FontId::UiMedium, "Arial", 16));
  Bitmap bmp(10, 10, OpaquePixel({0, 0, 0}));
  text::Draw(bmp, FontId::UiMedium, -500, 400, "far away", {255, 255, 255});
  EXPECT_EQ(CountNear(bmp, {0, 0, 0}), 100);
}

TEST(WindowsUnicode, LowerCodeUnitsGoesThroughTheSystemsCaseMapping) {
  std::u16string text = u"\u00C4\u0392\u0401Z\u00DF\U00010400";
  unicode::LowerCodeUnits(text);
  EXPECT_EQ(text, u"\u00E4\u03B2\u0451z\u00DF\U00010400");  // pairs are left alone
}

}  // namespace
}  // namespace sp
