// Decoding through the Windows Imaging Component into the program's images.
#include <gtest/gtest.h>

#include "platform/pictures.h"
#include "sample_pictures.h"

namespace sp {
namespace {

Bitmap Sample() {
  Bitmap bmp(3, 2, OpaquePixel({200, 10, 30}));
  bmp.At(1, 0) = 0x80400000u;  // half-transparent red, premultiplied
  bmp.At(2, 1) = 0;            // fully transparent
  return bmp;
}

TEST(WindowsPictures, PngKeepsPremultipliedAlphaAtDepth32AndDropsItAt24) {
  const auto png = samples::Png(Sample(), true);
  const auto rgba = pictures::Decode(png, 32);
  ASSERT_TRUE(rgba);
  EXPECT_EQ(rgba->depth, 32);
  ASSERT_EQ(rgba->width(), 3);
  ASSERT_EQ(rgba->height(), 2);
  EXPECT_EQ(rgba->bitmap.At(0, 0), OpaquePixel({200, 10, 30}));
  EXPECT_EQ(AlphaOf(rgba->bitmap.At(1, 0)), 0x80);
  EXPECT_NEAR(RgbOf(rgba->bitmap.At(1, 0)).r, 0x40, 1);
  EXPECT_EQ(rgba->bitmap.At(2, 1), 0u);
  const auto rgb = pictures::Decode(png, 24);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->depth, 24);
  EXPECT_EQ(AlphaOf(rgb->bitmap.At(1, 0)), 0xFF);  // as if over black
  EXPECT_NEAR(RgbOf(rgb->bitmap.At(1, 0)).r, 0x40, 1);
}

TEST(WindowsPictures, EachFormatCoversComeInDecodes) {
  const Bitmap opaque(4, 4, OpaquePixel({0, 128, 255}));
  for (const auto& data : {samples::Jpeg(opaque), samples::Bmp(opaque)}) {
    const auto image = pictures::Decode(data, 24);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 4);
    const Rgb c = RgbOf(image->bitmap.At(2, 2));
    EXPECT_NEAR(c.g, 128, 8);
    EXPECT_NEAR(c.b, 255, 8);
  }
}

TEST(WindowsPictures, RefusesCutHugeAndForeignData) {
  const auto png = samples::Png(Sample(), false);
  EXPECT_FALSE(pictures::Decode(std::span(png.data(), png.size() - 12), 24));
  EXPECT_FALSE(pictures::Decode(samples::PngDeclaring(100000, 100000), 24));
  EXPECT_FALSE(pictures::Decode(samples::BmpDeclaring(9000, 9000), 24));
  EXPECT_FALSE(pictures::Decode(samples::Text("<html>not a picture</html>"), 24));
  EXPECT_FALSE(pictures::DecodeFile(samples::ScratchFolder(), 24));
}

}  // namespace
}  // namespace sp
