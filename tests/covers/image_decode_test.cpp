#include "covers/image_decode.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "covers/builtin_pictures.h"
#include "platform/image_store.h"
#include "platform/pictures.h"
#include "sample_pictures.h"

namespace sp {
namespace {

using samples::Bytes;

class ImageDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override { images::ReleaseAll(); }
  void TearDown() override { images::ReleaseAll(); }
  // The number the store would hand out next, taken and given back.
  static std::int64_t NextNumber() {
    const ImageId n = images::Create(kAllocateImage, 1, 1, 24);
    images::Release(n);
    return Num(n);
  }
};

TEST_F(ImageDecodeTest, HostilePicturesGiveZeroAndTakeNoNumber) {
  const Bytes logo(LogoPng.begin(), LogoPng.end());
  const struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"text file", samples::Text("Artist - Title.jpg\nAnother - Song.png\n")},
      {"HTML error page",
       samples::Text("<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
                     "<body><h1>Not Found</h1></body></html>\n")},
      {"truncated PNG", Bytes(logo.begin(), logo.begin() + long(logo.size() / 2))},
      {"zero-length file", {}},
      {"PNG declaring 100000 x 100000", samples::PngDeclaring(100000, 100000)},
  };
  images::Create(ImageId::DefaultCoverLarge, 3, 3, 24);  // a number in use
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = samples::WriteFile("cover.jpg", c.data);
    for (int depth : {24, 32}) {
      const std::int64_t next = NextNumber();
      EXPECT_EQ(DecodeImageFromMemory(kAllocateImage, c.data.data(), c.data.size(), depth),
                ImageId::None);
      EXPECT_EQ(DecodeImageFromFile(kAllocateImage, path, depth), ImageId::None);
      EXPECT_EQ(DecodeImageFromFile(ImageId::DefaultCoverLarge, path, depth), ImageId::None);
      EXPECT_EQ(NextNumber(), next + 1) << "a number was allocated";
      // A failed decode leaves what the number named before.
      EXPECT_EQ(images::Width(ImageId::DefaultCoverLarge), 3);
    }
  }
  EXPECT_EQ(DecodeImageFromFile(kAllocateImage, samples::ScratchFolder() + "/none.jpg", 24),
            ImageId::None);
  EXPECT_EQ(DecodeImageFromMemory(kAllocateImage, nullptr, 10, 24), ImageId::None);
}

TEST_F(ImageDecodeTest, DecodingIntoAUsedNumberReplacesTheImage) {
  images::Create(ImageId::DockedIcon, 5, 5, 24);
  const auto old = images::Get(ImageId::DockedIcon);
  EXPECT_EQ(
      DecodeImageFromMemory(ImageId::DockedIcon, DockedIconPng.data(), DockedIconPng.size(), 32),
      ImageId::DockedIcon);
  const auto now = images::Get(ImageId::DockedIcon);
  ASSERT_TRUE(now);
  EXPECT_NE(now, old);
  EXPECT_EQ(now->width(), 16);
  EXPECT_EQ(now->depth, 32);
  EXPECT_EQ(old->width(), 5);  // whoever still draws the old one keeps it
  EXPECT_EQ(old.use_count(), 1);

  // -1 allocates a fresh number naming a picture of its own size; none and other
  // non-numbers are refused.
  const std::string path =
      samples::WriteFile("cover.png", Bytes(UndockedIconPng.begin(), UndockedIconPng.end()));
  const ImageId fresh = DecodeImageFromFile(kAllocateImage, path, 24);
  ASSERT_NE(fresh, ImageId::None);
  EXPECT_GT(Num(fresh), 5);
  EXPECT_EQ(images::Width(fresh), 16);
  EXPECT_EQ(images::Get(fresh)->depth, 24);
  for (Pixel p : images::Get(fresh)->bitmap.pixels) EXPECT_EQ(AlphaOf(p), 255);
  EXPECT_EQ(DecodeImageFromFile(ImageId::None, path, 24), ImageId::None);
  EXPECT_EQ(DecodeImageFromFile(ImageId{-7}, path, 24), ImageId::None);
}

// A 1600 x 1600 cover, black on the left and white on the right of an edge that
// falls inside an output pixel at each of the three sizes.
TEST_F(ImageDecodeTest, ScalingACoverAtDepthTwentyFourIsSmoothOnASharpEdge) {
  constexpr int kEdge = 803;
  Bitmap cover(1600, 1600, OpaquePixel({0, 0, 0}));
  for (int y = 0; y < 1600; ++y)
    for (int x = kEdge; x < 1600; ++x) cover.At(x, y) = OpaquePixel({255, 255, 255});
  const std::string path = samples::WriteFile("edge.jpg", samples::Jpeg(cover));

  for (int size : {168, 220, 300}) {
    SCOPED_TRACE(size);
    const ImageId n = DecodeImageFromFile(kAllocateImage, path, 24);
    ASSERT_NE(n, ImageId::None);
    ASSERT_TRUE(images::Scale(n, size, size));
    const Bitmap& b = images::Get(n)->bitmap;
    const int y = size / 2;
    // Where the edge lands, the pixel is a blend of both sides, so no two
    // neighbours differ by the whole step.
    const double at = double(kEdge) * size / 1600;
    const int edge_px = int(at);
    const int v = RgbOf(b.At(edge_px, y)).g;
    const double cover_white = 1 - (at - edge_px);
    EXPECT_NEAR(v, 255 * cover_white, 24) << "edge pixel " << edge_px;
    int largest_step = 0;
    for (int x = 1; x < size; ++x)
      largest_step =
          std::max(largest_step, std::abs(RgbOf(b.At(x, y)).g - RgbOf(b.At(x - 1, y)).g));
    EXPECT_LT(largest_step, 200);
    EXPECT_LT(RgbOf(b.At(edge_px - 2, y)).g, 16);
    EXPECT_GT(RgbOf(b.At(edge_px + 2, y)).g, 239);
  }
}

}  // namespace
}  // namespace sp
