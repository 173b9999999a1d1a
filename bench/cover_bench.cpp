// The cover matcher's cost: reading and matching a 100,000-line list, and one whole
// run for a 1600 x 1600 JPEG from the simulator on loopback, from the song change to
// the posted redraw.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "covers/builtin_images.h"
#include "covers/cover_art.h"
#include "covers/cover_list.h"
#include "covers/cover_words.h"
#include "platform/image_store.h"
#include "platform/pictures.h"
#include "sim_process.h"
#include "station/http_get.h"

namespace sp {
namespace {

namespace fs = std::filesystem;

// 100,000 names like a big station's: artist, title, album, extension, some capitals
// and accents. None holds every word of the song, so the whole list is scanned.
const std::string& LongList() {
  static const std::string list = [] {
    const char* artists[] = {"DJ Brine", "Saltmarsh", "MC Kraken",     "Lumière Break",
                             "Κύμα",     "Nautilus",  "Pier Pressure", "Estuary"};
    const char* words[] = {"Tide",   "Fog",   "Amen", "Step",  "Dub",  "Reese",
                           "Roller", "Swell", "Neap", "Shoal", "Café", "Bass"};
    std::string text;
    for (int i = 0; i < 100000; ++i) {
      text += artists[i % 8];
      text += " - ";
      text += words[i % 12];
      text += ' ';
      text += words[(i / 12) % 12];
      text += " (";
      text += std::to_string(i);
      text += i % 3 == 0 ? ").JPG\r\n" : ").jpg\r\n";
    }
    return text;
  }();
  return list;
}

void ParseLongList(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ParseCoverList(LongList()));
  state.counters["bytes"] = double(LongList().size());
}
BENCHMARK(ParseLongList)->Unit(benchmark::kMillisecond);

void MatchLongList(benchmark::State& state) {
  const std::vector<std::string> list = ParseCoverList(LongList());
  for (auto _ : state) {
    std::vector<std::string> words;
    AppendWords("Low Tide Roller", words);
    AppendWords("Kelp Circuit", words);
    AppendWords("Night Harbour", words);
    benchmark::DoNotOptimize(MatchCover(list, words));
  }
}
BENCHMARK(MatchLongList)->Unit(benchmark::kMillisecond);

// A photo-like 1600 x 1600 JPEG: gradients, a disc and grain.
std::vector<std::uint8_t> BigJpeg() {
  Image cover;
  cover.bitmap = Bitmap(1600, 1600, 0);
  std::uint32_t seed = 1;
  for (int y = 0; y < 1600; ++y) {
    for (int x = 0; x < 1600; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = int(seed >> 28) - 8;
      const bool disc = std::hypot(x - 900.0, y - 700.0) < 420;
      const int r = disc ? 230 : x * 200 / 1600 + 20, g = disc ? 120 : y * 180 / 1600 + 30;
      auto c = [&](int v) { return std::uint8_t(std::clamp(v + grain, 0, 255)); };
      cover.bitmap.At(x, y) = OpaquePixel({c(r), c(g), c(90)});
    }
  }
  return *pictures::Encode(cover, pictures::Format::Jpeg);
}

std::string TempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/sp-cover-bench-XXXXXX";
  return ::mkdtemp(tmpl.data()) ? tmpl : std::string();
}

// The simulator serving its own list plus one big cover at the end of it.
void WholeRunFor1600Jpeg(benchmark::State& state) {
  const std::string covers = TempFolder(), app = TempFolder();
  const std::vector<std::uint8_t> jpeg = BigJpeg();
  {
    std::ifstream in(SP_SIM_COVERS_DIR "/dateien.txt", std::ios::binary);
    std::string list{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::ofstream(covers + "/dateien.txt", std::ios::binary) << list << "\r\nBench Cover 1600.jpg";
    std::ofstream(covers + "/Bench Cover 1600.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
  }
  test::SimProcess sim({"--covers-dir", covers});
  if (covers.empty() || app.empty() || !sim.ok()) {
    state.SkipWithError("simulator or temporary folders not available");
    return;
  }
  LoadBuiltInImages();
  CoverArtDeps deps;
  deps.app_folder = app + "/";
  deps.cover_base = "127.0.0.1:" + std::to_string(sim.port());
  deps.current_song = [] {
    api_current_song song;
    song.title = "Bench Cover";
    song.album = "1600";
    return song;
  };
  deps.get_to_file = [](const std::string& url, const std::string& path, int flags,
                        std::size_t max_bytes, const files::Confinement* within) {
    return HttpGetToFile(url, path, flags, max_bytes, within);
  };
  std::chrono::steady_clock::time_point posted;
  int redraws = 0;
  deps.post = [&](Event) {
    posted = std::chrono::steady_clock::now();
    ++redraws;
    return true;  // the event (and with it the old cover) goes here
  };
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    UpdateCoverArt(deps);
    state.SetIterationTime(std::chrono::duration<double>(posted - start).count());
  }
  state.counters["jpeg_bytes"] = double(jpeg.size());
  if (redraws != int(state.iterations())) state.SkipWithError("a run posted no redraw");
  fs::remove_all(covers);
  fs::remove_all(app);
  images::ReleaseAll();
}
BENCHMARK(WholeRunFor1600Jpeg)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sp

BENCHMARK_MAIN();
