// Decoding and smooth scaling of the pictures the program shows: the built-in logo
// at start-up and a 1600 x 1600 JPEG cover on every song change.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "covers/builtin_images.h"
#include "covers/builtin_pictures.h"
#include "covers/image_decode.h"
#include "platform/image_store.h"
#include "platform/pictures.h"

namespace sp {
namespace {

// A photo-like cover: smooth gradients, a few hard shapes and fine grain, so the
// JPEG is of a realistic size.
const std::vector<std::uint8_t>& JpegCover() {
  static const std::vector<std::uint8_t> jpeg = [] {
    Image cover;
    cover.bitmap = Bitmap(1600, 1600, 0);
    std::uint32_t seed = 1;
    for (int y = 0; y < 1600; ++y) {
      for (int x = 0; x < 1600; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = int(seed >> 28) - 8;
        const bool disc = std::hypot(x - 900.0, y - 700.0) < 420;
        const int r = disc ? 230 : x * 200 / 1600 + 20, g = disc ? 120 : y * 180 / 1600 + 30;
        const int b = (x + y) % 400 < 200 ? 90 : 160;
        auto c = [&](int v) { return std::uint8_t(std::clamp(v + grain, 0, 255)); };
        cover.bitmap.At(x, y) = OpaquePixel({c(r), c(g), c(b)});
      }
    }
    return *pictures::Encode(cover, pictures::Format::Jpeg);
  }();
  return jpeg;
}

void DecodeLogo(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(pictures::Decode(LogoPng, 32));
}
BENCHMARK(DecodeLogo)->Unit(benchmark::kMillisecond);

void ScaleLogo(benchmark::State& state) {
  const Bitmap logo = pictures::Decode(LogoPng, 32)->bitmap;
  const int size = int(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ScaleSmooth(logo, size, size));
}
BENCHMARK(ScaleLogo)->Arg(300)->Arg(220)->Arg(168)->Unit(benchmark::kMillisecond);

// What start-up spends on pictures: two icons and three decodes of the logo.
void LoadAllBuiltInImages(benchmark::State& state) {
  for (auto _ : state) LoadBuiltInImages();
  images::ReleaseAll();
}
BENCHMARK(LoadAllBuiltInImages)->Unit(benchmark::kMillisecond);

void DecodeJpegCover(benchmark::State& state) {
  const auto& jpeg = JpegCover();
  state.counters["jpeg_bytes"] = double(jpeg.size());
  for (auto _ : state) benchmark::DoNotOptimize(pictures::Decode(jpeg, 24));
}
BENCHMARK(DecodeJpegCover)->Unit(benchmark::kMillisecond);

void ScaleJpegCover(benchmark::State& state) {
  const Bitmap cover = pictures::Decode(JpegCover(), 24)->bitmap;
  const int size = int(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ScaleSmooth(cover, size, size));
}
BENCHMARK(ScaleJpegCover)->Arg(300)->Arg(220)->Arg(168)->Unit(benchmark::kMillisecond);

// One song change's picture work: decode once, then three scaled copies.
void CoverToThreeSizes(benchmark::State& state) {
  const auto& jpeg = JpegCover();
  for (auto _ : state) {
    const ImageId full = DecodeImageFromMemory(kAllocateImage, jpeg.data(), jpeg.size(), 24);
    for (int size : {168, 220, 300}) {
      const ImageId copy = images::Copy(full);
      images::Scale(copy, size, size);
      images::Release(copy);
    }
    images::Release(full);
  }
}
BENCHMARK(CoverToThreeSizes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sp

BENCHMARK_MAIN();
