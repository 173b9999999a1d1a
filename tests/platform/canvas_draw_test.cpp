#include "platform/canvas_draw.h"

#include <gtest/gtest.h>

#include "platform/headless/headless.h"
#include "platform/image_store.h"

namespace sp {
namespace {

TEST(CentredPositionTest, TruncatesTowardZero) {
  const struct {
    std::int64_t canvas, image, expected;
  } cases[] = {
      {168, 168, 0},  {168, 220, -26}, {168, 300, -66},
      {300, 168, 66}, {168, 171, -1},  // floor division would give -2
      {16, 5, 5},     {1, 4, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CentredPosition(c.canvas, c.canvas, c.image, c.image),
              (Point{c.expected, c.expected}))
        << c.canvas << " " << c.image;
  }
  EXPECT_EQ(CentredPosition(168, 10, 220, 3), (Point{-26, 3}));
}

class CanvasDrawTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
    ui::CreateCanvas({WindowId::Main, ControlId::CoverThumb, 2, 26, 10, 10});
  }
  void TearDown() override { headless::Reset(); }
  const Bitmap& Canvas() { return controls::Find(ControlId::CoverThumb)->picture; }
  static constexpr Rgb kFill{76, 74, 72};
};

TEST_F(CanvasDrawTest, CentredImagesAreBlendedByAlphaOverTheFill) {
  Image badge;
  badge.depth = 32;
  badge.bitmap = Bitmap(4, 4, OpaquePixel({200, 10, 10}));
  badge.bitmap.At(0, 0) = 0;           // a transparent corner
  badge.bitmap.At(1, 0) = 0x80404040;  // half-transparent grey
  const ImageId n = images::Install(kAllocateImage, badge);

  ASSERT_TRUE(DrawImageCentred(ControlId::CoverThumb, n, kFill));
  EXPECT_EQ(Canvas().At(0, 0), OpaquePixel(kFill));
  EXPECT_EQ(Canvas().At(3, 3), OpaquePixel(kFill));  // the corner shows the fill
  EXPECT_EQ(Canvas().At(4, 3), 0xFF000000u | (0x40 + 38) << 16 | (0x40 + 37) << 8 | (0x40 + 36));
  EXPECT_EQ(Canvas().At(6, 6), OpaquePixel({200, 10, 10}));
  EXPECT_EQ(Canvas().At(7, 7), OpaquePixel(kFill));
  EXPECT_EQ(headless::TheWorld().repaints[Num(ControlId::CoverThumb)], 1);

  // An empty number leaves the fill; a control that is no canvas cannot be drawn on.
  EXPECT_TRUE(DrawImageCentred(ControlId::CoverThumb, ImageId{777}, {1, 2, 3}));
  EXPECT_EQ(Canvas().At(5, 5), OpaquePixel({1, 2, 3}));
  EXPECT_FALSE(DrawImageCentred(ControlId::NowPlayingPanel, n, kFill));
}

TEST_F(CanvasDrawTest, ImagesAreCopiedOrBlendedAtAPositionWithAConstantOpacity) {
  Image opaque;
  opaque.bitmap = Bitmap(2, 2, OpaquePixel({250, 250, 250}));  // depth 24
  const ImageId a = images::Install(kAllocateImage, opaque);
  Image half = opaque;
  half.depth = 32;
  half.bitmap.At(0, 0) = 0x80808080;
  const ImageId b = images::Install(kAllocateImage, half);

  Bitmap box(4, 4, OpaquePixel(kFill));
  EXPECT_TRUE(DrawImage(box, a, 3, 3));  // clipped to one pixel
  EXPECT_EQ(box.At(3, 3), OpaquePixel({250, 250, 250}));
  EXPECT_EQ(box.At(2, 2), OpaquePixel(kFill));
  EXPECT_TRUE(DrawImage(box, b, 0, 0, 128));
  EXPECT_NEAR(RgbOf(box.At(1, 1)).r, (250 * 128 + 76 * 127) / 255, 1);  // opacity alone
  EXPECT_NEAR(RgbOf(box.At(0, 0)).r, (128 * 128 + 76 * 191) / 255, 1);  // alpha x opacity
  EXPECT_EQ(AlphaOf(box.At(0, 0)), 255);

  EXPECT_TRUE(CopyImage(box, b, 2, 0));  // as they are, alpha included
  EXPECT_EQ(box.At(2, 0), 0x80808080u);
  EXPECT_FALSE(DrawImage(box, ImageId{777}, 0, 0));
  EXPECT_FALSE(CopyImage(box, ImageId{777}, 0, 0));
}

}  // namespace
}  // namespace sp

namespace sp {
namespace {

// On a screen scaled by 2 an image is resampled to the picture's density once, and
// again only when it changes.
TEST(ScaledCanvasTest, ImagesAreResampledOncePerChange) {
  headless::Reset();
  headless::TheWorld().pixel_scale = 2;
  ui::CreateWindow({WindowId::Main, "t", 0, 0, 730, 195, {}, WindowId::None});
  ui::CreateCanvas({WindowId::Main, ControlId::CoverThumb, 2, 26, 10, 10});
  EXPECT_EQ(controls::Find(ControlId::CoverThumb)->picture.width, 20);
  const ImageId n = images::Create(kAllocateImage, 4, 4, 24);
  ASSERT_TRUE(DrawImageCentred(ControlId::CoverThumb, n, {76, 74, 72}));
  const auto image = images::Get(n);
  const auto first = PixelsAt(image, 2);
  EXPECT_EQ(first->width, 8);
  EXPECT_EQ(PixelsAt(image, 2), first);
  EXPECT_EQ(PixelsAt(image, 1).get(), &image->bitmap);
  ASSERT_TRUE(images::Scale(n, 2, 2));
  EXPECT_NE(PixelsAt(images::Get(n), 2), first);
  headless::Reset();
}

}  // namespace
}  // namespace sp
