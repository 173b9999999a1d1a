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

TEST(PixelsTest, TheFocusFrameDashesRoundTheEdgeAndLeavesTheInsideAlone) {
  const Pixel face = OpaquePixel({76, 74, 72}), white = OpaquePixel({255, 255, 255}),
              black = OpaquePixel({0, 0, 0});
  Bitmap b(10, 6, face);
  DrawFocusFrame(b);
  // Two white, two black, clockwise from the top-left corner, round the corners too.
  for (int x : {0, 1, 4, 5, 8, 9}) EXPECT_EQ(b.At(x, 0), white) << x;
  for (int x : {2, 3, 6, 7}) EXPECT_EQ(b.At(x, 0), black) << x;
  // The right side goes on where the top ends: 10 and 11 round the frame, then 12.
  EXPECT_EQ(b.At(9, 1), black);
  EXPECT_EQ(b.At(9, 3), white);
  for (int y = 1; y < 5; ++y)
    for (int x = 1; x < 9; ++x) EXPECT_EQ(b.At(x, y), face) << x << "," << y;
  // Two pixels thick on a picture twice as dense, in dashes twice as long.
  Bitmap dense(20, 12, face);
  DrawFocusFrame(dense, 2);
  EXPECT_EQ(dense.At(3, 1), white);
  EXPECT_EQ(dense.At(4, 1), black);
  EXPECT_EQ(dense.At(2, 2), face);
}

}  // namespace
}  // namespace sp
