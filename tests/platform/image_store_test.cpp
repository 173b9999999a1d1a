#include "platform/image_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace sp {
namespace {

class ImageStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { images::ReleaseAll(); }
  void TearDown() override { images::ReleaseAll(); }
};

TEST_F(ImageStoreTest, CreatesBlackOpaqueImagesAtFixedOrAllocatedNumbers) {
  EXPECT_EQ(images::Create(ImageId::DockedIcon, 16, 16, 32), ImageId::DockedIcon);
  auto icon = images::Get(ImageId::DockedIcon);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->depth, 32);
  EXPECT_EQ(icon->bitmap.At(3, 3), OpaquePixel({0, 0, 0}));

  const ImageId a = images::Create(kAllocateImage, 4, 4, 17);  // not 32: 24
  const ImageId b = images::Create(kAllocateImage, 4, 4, 24);
  EXPECT_NE(a, ImageId::None);
  EXPECT_NE(a, b);
  EXPECT_GT(Num(a), 5);  // never one of the fixed numbers
  EXPECT_EQ(images::Get(a)->depth, 24);
}

TEST_F(ImageStoreTest, CreatingAtAUsedNumberReplacesButKeepsADrawnImageAlive) {
  images::Create(ImageId::DefaultCoverLarge, 10, 10, 24);
  auto held = images::Get(ImageId::DefaultCoverLarge);  // as the GUI thread draws it
  images::Create(ImageId::DefaultCoverLarge, 20, 5, 24);
  EXPECT_EQ(images::Width(ImageId::DefaultCoverLarge), 20);
  EXPECT_EQ(held->width(), 10);  // still valid for the drawer
}

TEST_F(ImageStoreTest, RefusesAbsurdSizesBeforeAllocating) {
  EXPECT_EQ(images::Create(kAllocateImage, 0, 10, 24), ImageId::None);
  EXPECT_EQ(images::Create(kAllocateImage, 100000, 100000, 32), ImageId::None);
  EXPECT_EQ(images::Create(kAllocateImage, 8193, 1, 32), ImageId::None);
  EXPECT_EQ(images::Create(kAllocateImage, 8192, 8192, 32), ImageId::None);  // 256 MiB
  EXPECT_NE(images::Create(kAllocateImage, 4096, 4096, 32), ImageId::None);
}

TEST_F(ImageStoreTest, CopyIsIndependentAndReleaseForgetsTheNumber) {
  const ImageId a = images::Create(kAllocateImage, 2, 2, 24);
  const ImageId b = images::Copy(a);
  ASSERT_NE(b, ImageId::None);
  images::GetMutable(b)->bitmap.At(0, 0) = OpaquePixel({1, 2, 3});
  EXPECT_EQ(images::Get(a)->bitmap.At(0, 0), OpaquePixel({0, 0, 0}));
  images::Release(a);
  EXPECT_FALSE(images::Exists(a));
  EXPECT_TRUE(images::Exists(b));
  EXPECT_EQ(images::Copy(a), ImageId::None);
}

TEST_F(ImageStoreTest, ScaleKeepsDimensionsOnRequestAndIgnoresTheCurrentSize) {
  const ImageId a = images::Create(kAllocateImage, 40, 20, 24);
  auto before = images::Get(a);
  EXPECT_TRUE(images::Scale(a, 40, 20));
  EXPECT_EQ(images::Get(a), before);  // same size: untouched
  EXPECT_TRUE(images::Scale(a, kKeepDimension, 10));
  EXPECT_EQ(images::Width(a), 40);
  EXPECT_EQ(images::Height(a), 10);
  EXPECT_FALSE(images::Scale(ImageId{424242}, 5, 5));
}

TEST_F(ImageStoreTest, TwoThreadsCreatingCopyingAndReleasingStayConsistent) {
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) {
      // A look-up either finds a whole image or nothing.
      if (auto img = images::Get(ImageId::DefaultCoverThumb)) {
        ASSERT_EQ(img->bitmap.pixels.size(), std::size_t(img->width()) * img->height());
      }
    }
  });
  for (int i = 0; i < 300; ++i) {
    const ImageId tmp = images::Create(kAllocateImage, 8 + i % 5, 8, 24);
    const ImageId copy = images::Copy(tmp);
    images::Scale(copy, 12, 7);
    images::Install(ImageId::DefaultCoverThumb, *images::Get(copy));
    images::Release(tmp);
    images::Release(copy);
    if (i % 3 == 0) images::Release(ImageId::DefaultCoverThumb);
  }
  stop = true;
  reader.join();
}

TEST(ScaleSmoothTest, ShrinkingAveragesAndGrowingInterpolatesWithoutHardSteps) {
  // A sharp black/white edge.
  Bitmap src(100, 10, OpaquePixel({0, 0, 0}));
  for (int y = 0; y < 10; ++y)
    for (int x = 50; x < 100; ++x) src.At(x, y) = OpaquePixel({255, 255, 255});
  const Bitmap half = ScaleSmooth(src, 33, 3);  // output 16 spans source 48.5 to 51.5
  // The output pixel straddling the edge is a blend, not black or white.
  const int mid = RgbOf(half.At(16, 1)).r;
  EXPECT_GT(mid, 40);
  EXPECT_LT(mid, 215);
  const Bitmap big = ScaleSmooth(src, 400, 10);
  int steps = 0;
  for (int x = 1; x < 400; ++x)
    steps += std::abs(RgbOf(big.At(x, 5)).r - RgbOf(big.At(x - 1, 5)).r) > 100;
  EXPECT_EQ(steps, 0);  // nearest-neighbour would jump 255 at once
}

TEST(ScaleSmoothTest, AlphaScalesWithColourSoTransparentStaysTransparent) {
  Bitmap src(64, 64, 0);  // fully transparent
  for (int y = 16; y < 48; ++y)
    for (int x = 16; x < 48; ++x) src.At(x, y) = OpaquePixel({255, 255, 255});
  const Bitmap out = ScaleSmooth(src, 21, 21);
  EXPECT_EQ(AlphaOf(out.At(0, 0)), 0);
  EXPECT_EQ(AlphaOf(out.At(10, 10)), 255);
  bool soft = false;
  for (int x = 0; x < 21; ++x) soft |= AlphaOf(out.At(x, 10)) > 0 && AlphaOf(out.At(x, 10)) < 255;
  EXPECT_TRUE(soft);
  for (Pixel p : out.pixels) {  // premultiplied: colour never above alpha
    ASSERT_LE(RgbOf(p).r, AlphaOf(p));
  }
}

}  // namespace
}  // namespace sp
