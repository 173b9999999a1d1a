#include "platform/pictures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "sample_pictures.h"

namespace sp {
namespace {

using samples::Bytes;

// Four pixels: opaque red, half-transparent green, transparent, opaque white.
Bitmap Quad() {
  Bitmap b(2, 2, 0);
  b.At(0, 0) = OpaquePixel({255, 0, 0});
  b.At(1, 0) = 0x80008000u;  // premultiplied: green 255 at alpha 128
  b.At(0, 1) = 0;
  b.At(1, 1) = OpaquePixel({255, 255, 255});
  return b;
}

TEST(PicturesTest, DepthThirtyTwoKeepsPremultipliedAlphaAndTwentyFourDropsIt) {
  const Bytes png = samples::Png(Quad(), true);
  const auto rgba = pictures::Decode(png, 32);
  ASSERT_TRUE(rgba);
  EXPECT_EQ(rgba->depth, 32);
  EXPECT_EQ(rgba->bitmap.At(0, 0), OpaquePixel({255, 0, 0}));
  EXPECT_EQ(rgba->bitmap.At(1, 0), 0x80008000u);
  EXPECT_EQ(rgba->bitmap.At(0, 1), 0u);
  EXPECT_EQ(rgba->bitmap.At(1, 1), OpaquePixel({255, 255, 255}));

  const auto rgb = pictures::Decode(png, 24);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->depth, 24);
  EXPECT_EQ(rgb->bitmap.At(1, 0), OpaquePixel({0, 128, 0}));  // as if over black
  EXPECT_EQ(rgb->bitmap.At(0, 1), OpaquePixel({0, 0, 0}));
  // A picture without alpha is opaque at depth 32 as well.
  const auto jpeg = pictures::Decode(samples::Jpeg(Bitmap(8, 8, OpaquePixel({9, 9, 9}))), 32);
  ASSERT_TRUE(jpeg);
  EXPECT_EQ(AlphaOf(jpeg->bitmap.At(3, 3)), 255);
}

TEST(PicturesTest, RefusesDeclaredSizesBeyondTheLimitWhateverTheFormat) {
  const struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"PNG 100000 x 100000", samples::PngDeclaring(100000, 100000)},
      {"PNG 2^31-1 wide", samples::PngDeclaring(0x7FFFFFFF, 1)},
      {"PNG 8193 x 1", samples::PngDeclaring(8193, 1)},
      {"GIF 65535 x 65535", samples::GifDeclaring(65535, 65535)},
      {"GIF 8193 x 1", samples::GifDeclaring(8193, 1)},
      {"BMP 100000 x 100000", samples::BmpDeclaring(100000, 100000)},
      {"BMP 20000 x -20000", samples::BmpDeclaring(20000, -20000)},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(pictures::Decode(c.data, 32)) << c.what;
    EXPECT_FALSE(pictures::Decode(c.data, 24)) << c.what;
  }
}

TEST(PicturesTest, TheLimitIsOnTheDeclaredSizeNotOnWhatMemoryAllows) {
  // Complete, valid pictures that would fit in memory: only the limit refuses them.
  EXPECT_FALSE(pictures::Decode(samples::Png(Bitmap(kMaxImageSide + 1, 2, 0), true), 32));
  EXPECT_FALSE(pictures::Decode(samples::Jpeg(Bitmap(8, kMaxImageSide + 8, 0)), 24));
  EXPECT_FALSE(pictures::Decode(samples::Png(Bitmap(8192, 2049, 0), false), 24));  // > 16 Mi px
  const auto widest = pictures::Decode(samples::Png(Bitmap(kMaxImageSide, 2, 0), true), 32);
  ASSERT_TRUE(widest);
  EXPECT_EQ(widest->width(), kMaxImageSide);
}

// Covers come as PNG, JPEG, GIF, BMP and the like; valid pictures of rarer kinds are
// not handed to their loaders at all.
TEST(PicturesTest, OnlyTheFormatsCoversComeInAreDecoded) {
  const Bitmap pixel(1, 1, OpaquePixel({255, 0, 0}));
  EXPECT_TRUE(pictures::Decode(samples::Bmp(pixel), 24));
  Bytes bogus_header = samples::Bmp(pixel);
  bogus_header[14] = 0xF0;  // a header size no BMP has, which loaders would reserve
  bogus_header[17] = 0xFF;
  const struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"PPM", samples::Text("P3\n1 1\n255\n255 0 0\n")},
      {"XPM",
       samples::Text("/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #FF0000\", \"a\"};\n")},
      {"SVG",
       samples::Text("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"/>")},
      {"BMP with a bogus header size", bogus_header},
  };
  for (const auto& c : cases) EXPECT_FALSE(pictures::Decode(c.data, 24)) << c.what;
}

// Loaders that take a picture cut short fill in what is missing; a cut anywhere must
// be refused instead.
TEST(PicturesTest, EveryCutOfAPictureIsRefused) {
  Bitmap noise(24, 24, 0);
  std::uint32_t seed = 7;
  for (Pixel& p : noise.pixels) {
    seed = seed * 1103515245u + 12345u;
    p = OpaquePixel({std::uint8_t(seed >> 8), std::uint8_t(seed >> 16), std::uint8_t(seed >> 24)});
  }
  const struct {
    const char* what;
    Bytes whole;
  } cases[] = {
      {"PNG", samples::Png(noise, true)},
      {"JPEG", samples::Jpeg(noise)},
      {"BMP", samples::Bmp(noise)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto full = pictures::Decode(c.whole, 32);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->width(), 24);
    int accepted = 0;
    for (std::size_t length = 0; length < c.whole.size(); ++length) {
      if (pictures::Decode(std::span(c.whole.data(), length), 32)) {
        ++accepted;
        ADD_FAILURE() << "cut at " << length << " of " << c.whole.size() << " accepted";
      }
      if (accepted > 3) break;
    }
  }
}

TEST(PicturesTest, FilesAreReadOnlyWhenRegularAndSmallEnough) {
  const Bytes png = samples::Png(Bitmap(3, 3, OpaquePixel({1, 2, 3})), false);
  const std::string good = samples::WriteFile("good.png", png);
  ASSERT_TRUE(pictures::DecodeFile(good, 24));

  // The same picture padded past the limit is not read at all.
  const std::string big = samples::WriteFile("big.png", png);
  std::filesystem::resize_file(big, pictures::kMaxPictureFileBytes + 1);
  EXPECT_FALSE(pictures::DecodeFile(big, 24));
  std::filesystem::resize_file(big, pictures::kMaxPictureFileBytes);
  EXPECT_TRUE(pictures::DecodeFile(big, 24));  // trailing zeros after the end are ignored

  const std::string fifo = samples::ScratchFolder() + "/fifo.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(pictures::DecodeFile(fifo, 24));  // returns at once, no writer needed
  EXPECT_FALSE(pictures::DecodeFile(samples::ScratchFolder(), 24));
  EXPECT_FALSE(pictures::DecodeFile(samples::ScratchFolder() + "/missing.png", 24));
  EXPECT_FALSE(pictures::DecodeFile("", 24));
}

}  // namespace
}  // namespace sp
