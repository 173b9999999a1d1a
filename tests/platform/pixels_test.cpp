#include "platform/pixels.h"

#include <gtest/gtest.h>

namespace sp {
namespace {

TEST(PixelsTest, LinesIncludeBothEndsAndStayInside) {
  Bitmap b(46, 25, OpaquePixel({76, 74, 72}));
  DrawLine(b, 18, 8, 27, 17, {255, 255, 255});
  DrawLine(b, 27, 8, 18, 17, {255, 255, 255});
  for (int i = 0; i <= 9; ++i) {
    EXPECT_EQ(b.At(18 + i, 8 + i), OpaquePixel({255, 255, 255}));
    EXPECT_EQ(b.At(27 - i, 8 + i), OpaquePixel({255, 255, 255}));
  }
  EXPECT_EQ(b.At(17, 8), OpaquePixel({76, 74, 72}));
  DrawLine(b, -10, -10, 100, 100, {1, 1, 1});  // clipped, no crash
}

TEST(PixelsTest, CopyClipsAtEveryEdgeIncludingNegativeOffsets) {
  Bitmap canvas(168, 168, OpaquePixel({76, 74, 72}));
  Bitmap big(220, 220, OpaquePixel({9, 9, 9}));
  big.At(26, 26) = OpaquePixel({200, 0, 0});
  CopyPixels(canvas, big, -26, -26);
  EXPECT_EQ(canvas.At(0, 0), OpaquePixel({200, 0, 0}));
  EXPECT_EQ(canvas.At(167, 167), OpaquePixel({9, 9, 9}));
  Bitmap small(2, 2, OpaquePixel({5, 5, 5}));
  CopyPixels(canvas, small, 167, 167);
  CopyPixels(canvas, small, 500, 500);
  EXPECT_EQ(canvas.At(167, 167), OpaquePixel({5, 5, 5}));
}

TEST(PixelsTest, BlendKeepsTheBoxUnderTransparentPixelsAndHalvesAtOpacity128) {
  Bitmap box(2, 1, OpaquePixel({76, 74, 72}));
  Bitmap icon(2, 1, 0);
  icon.At(1, 0) = OpaquePixel({255, 255, 255});
  BlendPixels(box, icon, 0, 0, 128);
  EXPECT_EQ(box.At(0, 0), OpaquePixel({76, 74, 72}));
  const Rgb half = RgbOf(box.At(1, 0));
  EXPECT_NEAR(half.r, (255 * 128 + 76 * 127) / 255, 1);
  EXPECT_EQ(AlphaOf(box.At(1, 0)), 255);
  BlendPixels(box, icon, 0, 0, 255);
  EXPECT_EQ(box.At(1, 0), OpaquePixel({255, 255, 255}));
}

}  // namespace
}  // namespace sp
