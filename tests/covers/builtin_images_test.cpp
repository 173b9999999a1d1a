#include "covers/builtin_images.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string_view>

#include "covers/builtin_pictures.h"
#include "covers/image_decode.h"
#include "platform/canvas_draw.h"
#include "platform/image_store.h"

namespace sp {
namespace {

// The icons as they must look: one palette entry per pixel. Entry 0 is transparent
// black, entries 1 to 7 white at these alphas.
constexpr std::uint8_t kAlpha[8] = {0, 249, 135, 18, 128, 127, 64, 255};
using Rows = std::array<std::string_view, 16>;
constexpr Rows kDockedRows = {
    "0000000000000000", "0000000000000000", "0000021777771200", "0000013000003100",
    "0000077777777700", "0000070000000700", "0002070000000700", "0027070000000700",
    "0677070000000700", "0057070000000700", "0004070000000700", "0000070000000700",
    "0000070000000700", "0000077777777700", "0000000000000000", "0000000000000000"};
constexpr Rows kUndockedRows = {
    "0000000000000000", "0000000000000000", "0000021777771200", "0000013000003100",
    "0000077777777700", "0000070000000700", "0200070000000700", "0720070000000700",
    "0776070000000700", "0750070000000700", "0400070000000700", "0000070000000700",
    "0000070000000700", "0000077777777700", "0000000000000000", "0000000000000000"};

// Premultiplied white at alpha a is a in every channel; entry 0 is all zero.
Pixel Expected(char entry) {
  const Pixel a = kAlpha[entry - '0'];
  return a << 24 | a << 16 | a << 8 | a;
}

class BuiltInImagesTest : public ::testing::Test {
 protected:
  void SetUp() override { images::ReleaseAll(); }
  void TearDown() override { images::ReleaseAll(); }
};

TEST_F(BuiltInImagesTest, IconsDecodeToExactlyTheirPaletteAndPixelTables) {
  LoadBuiltInImages();
  for (const auto& [number, rows] : {std::pair{ImageId::DockedIcon, kDockedRows},
                                     std::pair{ImageId::UndockedIcon, kUndockedRows}}) {
    const auto icon = images::Get(number);
    ASSERT_TRUE(icon);
    ASSERT_EQ(icon->width(), 16);
    ASSERT_EQ(icon->height(), 16);
    EXPECT_EQ(icon->depth, 32);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        EXPECT_EQ(icon->bitmap.At(x, y), Expected(rows[y][x]))
            << "image " << Num(number) << " at " << x << "," << y;
  }
}

TEST_F(BuiltInImagesTest, TheDataIsPaddedWithZerosAfterThePngEnd) {
  const struct {
    std::span<const std::uint8_t> data;
    std::size_t padding;
  } cases[] = {{DockedIconPng, 4}, {UndockedIconPng, 4}, {LogoPng, 1}};
  for (const auto& c : cases) {
    ASSERT_GT(c.data.size(), c.padding + 12);
    const std::uint8_t* end = c.data.data() + c.data.size() - c.padding;
    EXPECT_EQ(std::memcmp(end - 8, "IEND", 4), 0);  // then its 4-byte checksum
    for (std::size_t i = 0; i < c.padding; ++i) EXPECT_EQ(end[i], 0);
  }
  // 1600 x 1600 from the padded length, before any scaling.
  const ImageId logo = DecodeImageFromMemory(kAllocateImage, LogoPng.data(), LogoPng.size(), 32);
  ASSERT_NE(logo, ImageId::None);
  EXPECT_EQ(images::Width(logo), 1600);
  EXPECT_EQ(images::Height(logo), 1600);
}

TEST_F(BuiltInImagesTest, TheLogoAtEachSizeIsARoundBadgeWithSoftEdges) {
  LoadBuiltInImages();
  for (const auto& [number, size] :
       {std::pair{ImageId::DefaultCoverLarge, 300}, std::pair{ImageId::DefaultCoverHover, 220},
        std::pair{ImageId::DefaultCoverThumb, 168}}) {
    SCOPED_TRACE(size);
    const auto logo = images::Get(number);
    ASSERT_TRUE(logo);
    ASSERT_EQ(logo->width(), size);
    ASSERT_EQ(logo->height(), size);
    EXPECT_EQ(logo->depth, 32);
    const Bitmap& b = logo->bitmap;
    const int last = size - 1, mid = size / 2;
    for (Pixel corner : {b.At(0, 0), b.At(last, 0), b.At(0, last), b.At(last, last)})
      EXPECT_EQ(AlphaOf(corner), 0);
    // The middle of the disc is opaque; just inside the edge is the white rim, a
    // little further in the dark ring.
    EXPECT_EQ(AlphaOf(b.At(mid, mid)), 255);
    auto inset = [&](double radius) { return int(size / 2.0 - radius * size / 1600); };
    EXPECT_EQ(b.At(mid, inset(785)), OpaquePixel({255, 255, 255}));
    const Rgb dark = RgbOf(b.At(inset(700), mid));
    EXPECT_NEAR(dark.r, 43, 2);
    EXPECT_NEAR(dark.g, 42, 2);
    EXPECT_NEAR(dark.b, 41, 2);
    // Along each axis the alpha rises from 0 to 255 through in-between values.
    for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{0, 1}}) {
      int soft = 0, x = dx ? 0 : mid, y = dy ? 0 : mid;
      for (; AlphaOf(b.At(x, y)) < 255; x += dx, y += dy) {
        const int a = AlphaOf(b.At(x, y));
        if (a > 0) ++soft;
        ASSERT_LT(x + y, size) << "no opaque pixel on the axis";
      }
      EXPECT_GE(soft, 1);
    }
  }
}

TEST_F(BuiltInImagesTest, DockedIconAtHalfStrengthLeavesTheBoxUnderEveryTransparentPixel) {
  LoadBuiltInImages();
  const auto icon = images::Get(ImageId::DockedIcon);
  ASSERT_TRUE(icon);
  const Rgb box{76, 74, 72};
  for (std::uint8_t opacity : {128, 255}) {
    Bitmap canvas(16, 16, OpaquePixel(box));
    ASSERT_TRUE(DrawImage(canvas, ImageId::DockedIcon, 0, 0, opacity));
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const int a = AlphaOf(icon->bitmap.At(x, y));
        if (a == 0) {
          EXPECT_EQ(canvas.At(x, y), OpaquePixel(box)) << x << "," << y;
        } else {
          EXPECT_GT(RgbOf(canvas.At(x, y)).r, box.r) << x << "," << y;  // lighter
          EXPECT_EQ(AlphaOf(canvas.At(x, y)), 255);
        }
        if (a == 255 && opacity == 255) {
          EXPECT_EQ(canvas.At(x, y), OpaquePixel({255, 255, 255}));
        }
      }
    }
  }
}

}  // namespace
}  // namespace sp
