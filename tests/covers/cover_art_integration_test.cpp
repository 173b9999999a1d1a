// The cover matcher against the station simulator on loopback, storing into an
// application folder inside a temporary home: what is requested, what is shown,
// what is left on disk, and what a hostile list or host cannot do.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "covers/builtin_images.h"
#include "covers/cover_art.h"
#include "covers/cover_slots.h"
#include "platform/headless/headless.h"
#include "platform/image_store.h"
#include "platform/pictures.h"
#include "sim_process.h"
#include "station/http_get.h"

namespace sp {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr char kListPath[] = "/tidemark-radio/Covers/dateien.txt";
constexpr char kMarrow[] = "marrow & sine - full pressure [100% jungle].jpg";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file and link under `root` with its bytes (or its target).
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_symlink()) {
      files[e.path().string()] = "-> " + fs::read_symlink(e.path()).string();
    } else if (e.is_regular_file()) {
      files[e.path().string()] = ReadAll(e.path().string());
    } else {
      files[e.path().string()] = "<folder>";
    }
  }
  return files;
}

// The most memory this process has held, in bytes.
long long PeakMemory() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      long long kib = 0;
      status >> kib;
      return kib * 1024;
    }
  }
  return 0;
}

api_current_song Song(const std::string& title, const std::string& artist,
                      const std::string& album) {
  api_current_song s;
  s.title = title;
  s.artist.name = artist;
  s.album = album;
  return s;
}

class CoverArtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim_ = std::make_unique<test::SimProcess>(); }
  static void TearDownTestSuite() { sim_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(sim_->ok());
    headless::Reset();
    LoadBuiltInImages();
    ResetSlots();
    // A stall is given up after half a second instead of 20.
    HttpLimits fast;
    fast.stall_time = std::chrono::milliseconds(500);
    SetHttpLimits(fast);
    sim_->Control("DELETE", "faults");
    sim_->Control("DELETE", "requests");

    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/sp-covers-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    home_ = tmpl;
    app_ = home_ + "/.config/lumo/Tidemark Drum and Bass FM/";
    fs::create_directories(app_);
    std::ofstream(app_ + "preferences.json") << "{\"WindowX\": 12}\n";
    std::ofstream(home_ + "/.bashrc") << "the user's own\n";
    std::ofstream(home_ + "/victim") << "not ours\n";

    deps_.app_folder = app_;
    deps_.cover_base = "127.0.0.1:" + std::to_string(sim_->port());
    deps_.current_song = [this] { return song_; };
    deps_.get_to_file = [this](const std::string& url, const std::string& path, int flags,
                               std::size_t max_bytes, const files::Confinement* within) {
      calls_.push_back({url, path, flags});
      return HttpGetToFile(url, path, flags, max_bytes, within);
    };
    deps_.post = [this](Event e) {
      posted_.push_back(std::move(e));
      return true;
    };
  }
  void TearDown() override {
    posted_.clear();
    headless::Reset();
    ResetSlots();
    SetHttpLimits(HttpLimits{});
    if (!home_.empty()) fs::remove_all(home_);
  }

  static void ResetSlots() {
    ThumbCover = ImageId::DefaultCoverThumb;
    HoverCover = ImageId::DefaultCoverHover;
    LargeCover = ImageId::DefaultCoverLarge;
  }
  void Fault(const json& fault) {
    long status = 0;
    sim_->Control("POST", "faults", fault, &status);
    ASSERT_EQ(status, 200) << fault.dump();
  }
  // One run for `song`, starting with an empty request log and no posted events;
  // the events of earlier runs are dispatched (dropped) first, as the GUI would.
  void Run(const api_current_song& song) {
    song_ = song;
    posted_.clear();
    calls_.clear();
    sim_->Control("DELETE", "requests");
    UpdateCoverArt(deps_);
  }
  std::vector<std::string> RequestedPaths() const {
    std::vector<std::string> paths;
    for (const json& r : sim_->Requests()) paths.push_back(r["path"]);
    return paths;
  }
  std::vector<std::string> AppFolderNames() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(app_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  bool OneCoverRedraw() const {
    return posted_.size() == 1 && posted_[0].cls == EventClass::Control &&
           posted_[0].window == Num(WindowId::Main) &&
           posted_[0].control == Num(ControlId::CoverThumb) &&
           posted_[0].type == event_type::RedrawRequest;
  }
  static std::array<ImageId, 3> Slots() { return {ThumbCover, HoverCover, LargeCover}; }
  static bool ShowsDefaultCover() {
    return Slots() == std::array<ImageId, 3>{ImageId::DefaultCoverThumb, ImageId::DefaultCoverHover,
                                             ImageId::DefaultCoverLarge};
  }

  struct Call {
    std::string url, path;
    int flags;
  };
  static std::unique_ptr<test::SimProcess> sim_;
  std::string home_, app_;
  CoverArtDeps deps_;
  api_current_song song_;
  std::vector<Call> calls_;
  std::vector<Event> posted_;
};

std::unique_ptr<test::SimProcess> CoverArtTest::sim_;

TEST_F(CoverArtTest, ASongChangeShowsItsCoverStretchedToThreeSizesAndLeavesOnlyTheList) {
  Run(Song("Full Pressure", "Marrow & Sine", "100% Jungle"));

  const std::string base = deps_.cover_base;
  ASSERT_EQ(calls_.size(), 2u);
  EXPECT_EQ(calls_[0].url, base + kListPath);
  EXPECT_EQ(calls_[0].path, app_ + "cover.txt");
  EXPECT_EQ(calls_[0].flags, HttpNoRedirect);
  EXPECT_EQ(calls_[1].url,
            base +
                "/tidemark-radio/Covers/marrow%20&%20sine%20-%20full%20pressure%20%5B100%25"
                "%20jungle%5D.jpg");
  EXPECT_EQ(calls_[1].path, app_ + kMarrow);
  EXPECT_EQ(calls_[1].flags, 0);
  EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{
                                  kListPath, std::string("/tidemark-radio/Covers/") + kMarrow}));

  EXPECT_TRUE(OneCoverRedraw());
  // The landscape picture (500 x 350) stretched to each square, smoothly.
  const test::RawAnswer served = test::RawGet(
      sim_->BaseUrl() + test::PercentEncode(std::string("/tidemark-radio/Covers/") + kMarrow));
  const std::optional<Image> picture = pictures::Decode(
      std::span(reinterpret_cast<const std::uint8_t*>(served.body.data()), served.body.size()), 24);
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->width(), 500);
  const int sizes[] = {168, 220, 300};
  for (int i = 0; i < 3; ++i) {
    const auto shown = images::Get(Slots()[i]);
    ASSERT_TRUE(shown);
    EXPECT_GT(Num(Slots()[i]), 5);
    EXPECT_EQ(shown->depth, 24);
    EXPECT_TRUE(shown->bitmap.pixels == ScaleSmooth(picture->bitmap, sizes[i], sizes[i]).pixels)
        << sizes[i];
  }
  // The cover is gone; the list stays, as served.
  EXPECT_EQ(AppFolderNames(), (std::vector<std::string>{"cover.txt", "preferences.json"}));
  EXPECT_EQ(ReadAll(app_ + "cover.txt"), test::RawGet(sim_->BaseUrl() + kListPath).body);
}

TEST_F(CoverArtTest, AwkwardNamesAreRequestedEncodedAndStoredUnderTheWholeName) {
  const struct {
    api_current_song song;
    std::string requested;  // the path as the host sees it
    std::string stored;     // the local name
  } cases[] = {
      {Song("Café Sunrise", "Lumière Break", "Côte Liquid"),
       "lumière break - café sunrise - côte liquid.png",
       "lumière break - café sunrise - côte liquid.png"},
      // '#' starts a fragment, which is never sent.
      {Song("Tidal Reese", "Harbourline", "Deep Water Frequencies"), "harbourline - tidal reese ",
       "harbourline - tidal reese #2 (deep water frequencies).jpg"},
      // '?' starts a query; '+' is sent as %2B and arrives as itself.
      {Song("Orbit Steppers", "Nova Halyard", "Starboard Dubs"),
       "nova halyard + crew - orbit steppers (starboard dubs) why not",
       "nova halyard + crew - orbit steppers (starboard dubs) why not?.png"},
      // "dub step.jpg" comes first in the list but lacks "mc" and "x".
      {Song("Dub Step", "MC X", ""), "mc x - dub step (remix).jpg", "mc x - dub step (remix).jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    const ImageId before = ThumbCover;
    Run(c.song);
    EXPECT_EQ(RequestedPaths(),
              (std::vector<std::string>{kListPath, "/tidemark-radio/Covers/" + c.requested}));
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].path, app_ + c.stored);
    EXPECT_TRUE(OneCoverRedraw());
    EXPECT_NE(ThumbCover.load(), before);
    EXPECT_EQ(images::Width(ThumbCover), 168);
    EXPECT_EQ(AppFolderNames(), (std::vector<std::string>{"cover.txt", "preferences.json"}));
  }
}

TEST_F(CoverArtTest, AnErrorPageInPlaceOfTheCoverBringsBackTheLogo) {
  Run(Song("Full Pressure", "Marrow & Sine", "100% Jungle"));
  ASSERT_FALSE(ShowsDefaultCover());
  const std::vector<ImageId> with_cover = images::Numbers();

  const std::string kelp =
      "/tidemark-radio/Covers/kelp circuit - low tide roller (night harbour).jpg";
  Fault({{"path", kelp}, {"kind", "error500"}, {"status", 200}});
  Run(Song("Low Tide Roller", "Kelp Circuit", "Night Harbour"));  // drops the first redraw
  EXPECT_TRUE(ShowsDefaultCover());
  EXPECT_TRUE(OneCoverRedraw());
  EXPECT_EQ(AppFolderNames(), (std::vector<std::string>{"cover.txt", "preferences.json"}));
  // Once the GUI thread is done with the redraw, the old cover's images are gone.
  posted_.clear();
  EXPECT_EQ(images::Numbers().size(), with_cover.size() - 3);
}

TEST_F(CoverArtTest, NoMatchKeepsTheCoverAndPostsNothing) {
  Run(Song("Full Pressure", "Marrow & Sine", "100% Jungle"));
  const auto shown = Slots();
  Run(Song("Quayside Skank", "Undertow Unit", "Brine Dubplates"));
  EXPECT_EQ(Slots(), shown);
  EXPECT_TRUE(posted_.empty());
  EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kListPath}));
  EXPECT_EQ(AppFolderNames(), (std::vector<std::string>{"cover.txt", "preferences.json"}));
}

TEST_F(CoverArtTest, FailedDownloadsChangeNothingAndLeaveNoPartialFile) {
  const std::string marrow = std::string("/tidemark-radio/Covers/") + kMarrow;
  const struct {
    const char* what;
    json fault;
    std::vector<std::string> left;  // in the application folder afterwards
  } cases[] = {
      {"list cut off", {{"path", kListPath}, {"kind", "drop"}}, {"preferences.json"}},
      {"list stalls", {{"path", kListPath}, {"kind", "stall"}}, {"preferences.json"}},
      {"cover cut off", {{"path", marrow}, {"kind", "drop"}}, {"cover.txt", "preferences.json"}},
      {"cover stalls", {{"path", marrow}, {"kind", "stall"}}, {"cover.txt", "preferences.json"}},
  };
  Run(Song("Low Tide Roller", "Kelp Circuit", "Night Harbour"));
  const auto shown = Slots();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim_->Control("DELETE", "faults");
    Fault(c.fault);
    Run(Song("Full Pressure", "Marrow & Sine", "100% Jungle"));
    EXPECT_EQ(Slots(), shown);
    EXPECT_TRUE(posted_.empty());
    EXPECT_EQ(AppFolderNames(), c.left);
  }
}

TEST_F(CoverArtTest, TheListIsNotRedirectedButACoverIs) {
  const std::string kelp =
      "/tidemark-radio/Covers/kelp circuit - low tide roller (night harbour).jpg";
  Fault({{"path", kelp},
         {"kind", "redirect"},
         {"location", test::PercentEncode(std::string("/tidemark-radio/Covers/") + kMarrow)}});
  Run(Song("Low Tide Roller", "Kelp Circuit", "Night Harbour"));
  EXPECT_EQ(RequestedPaths(),
            (std::vector<std::string>{kListPath, kelp,
                                      std::string("/tidemark-radio/Covers/") + kMarrow}));
  EXPECT_TRUE(OneCoverRedraw());
  EXPECT_EQ(images::Width(LargeCover), 300);
  EXPECT_FALSE(ShowsDefaultCover());

  // The redirect's own page becomes the list; its lines name no cover of this song.
  Fault({{"path", kListPath},
         {"kind", "redirect"},
         {"location", "/tidemark-radio/Covers/elsewhere.txt"},
         {"body", "<html><body>Moved</body></html>\r\n"}});
  Run(Song("Full Pressure", "Marrow & Sine", "100% Jungle"));
  EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kListPath}));
  EXPECT_EQ(ReadAll(app_ + "cover.txt"), "<html><body>Moved</body></html>\r\n");
  EXPECT_TRUE(posted_.empty());
}

TEST_F(CoverArtTest, NamesReachingOutsideTheFolderOrAtOurOwnFilesTouchNothing) {
  const std::string entries[] = {
      "../../../.bashrc",  // from the application folder up to the home
      "../../../victim",
      home_ + "/victim",  // absolute
      "/etc/x",
      "preferences.json",
      "Preferences.JSON",  // lower-cased on reading, so the same file
      "cover.txt",
      "..",
      ".",
      "",
  };
  Run(Song("Low Tide Roller", "Kelp Circuit", "Night Harbour"));
  const auto shown = Slots();
  for (const std::string& entry : entries) {
    SCOPED_TRACE(entry);
    const std::string list = entry + "\r\nkelp circuit - low tide roller (night harbour).jpg\r\n";
    Fault(
        {{"path", kListPath}, {"kind", "custom"}, {"content_type", "text/plain"}, {"body", list}});
    // Everything but the list, which each run rewrites.
    std::map<std::string, std::string> before = Snapshot(home_);
    before.erase(app_ + "cover.txt");
    Run(Song("", "", ""));  // no words: the first entry is the match
    std::map<std::string, std::string> after = Snapshot(home_);
    EXPECT_EQ(after[app_ + "cover.txt"], list);
    after.erase(app_ + "cover.txt");
    EXPECT_EQ(after, before);
    EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{kListPath}));  // nothing else asked for
    EXPECT_EQ(Slots(), shown);
    EXPECT_TRUE(posted_.empty());
  }
}

// A FIFO under the list's or a cover's name would block a plain open for ever, and the
// watcher's passes with it: each download fails at once and leaves the FIFO alone.
TEST_F(CoverArtTest, AFifoUnderAnOwnFileNameFailsTheRunAtOnce) {
  using namespace std::chrono_literals;
  for (const std::string name : {"cover.txt", kMarrow}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(::mkfifo((app_ + name).c_str(), 0600), 0);
    auto run = std::async(std::launch::async,
                          [&] { Run(Song("Full Pressure", "Marrow & Sine", "100% Jungle")); });
    if (run.wait_for(5s) != std::future_status::ready) {
      // Unblock the open so the test fails instead of hanging.
      const int reader = ::open((app_ + name).c_str(), O_RDONLY | O_NONBLOCK);
      run.wait();
      ::close(reader);
      FAIL() << "the run blocked on the FIFO";
    }
    EXPECT_TRUE(fs::is_fifo(app_ + name));
    EXPECT_TRUE(ShowsDefaultCover());
    EXPECT_TRUE(posted_.empty());
    fs::remove(app_ + name);
  }
}

TEST_F(CoverArtTest, AHugeListOrCoverIsRefusedWithoutFillingMemoryOrDisk) {
  const std::string marrow = std::string("/tidemark-radio/Covers/") + kMarrow;
  const struct {
    const char* what;
    json fault;
    std::vector<std::string> left;
  } cases[] = {
      // Over the list's own cap, under the one for covers.
      {"8 MB list",
       {{"path", kListPath}, {"kind", "large"}, {"size", 8'000'000}},
       {"preferences.json"}},
      {"50 MB list",
       {{"path", kListPath}, {"kind", "large"}, {"size", 50'000'000}},
       {"preferences.json"}},
      {"50 MB list, no length",
       {{"path", kListPath}, {"kind", "large"}, {"size", 50'000'000}, {"chunked", true}},
       {"preferences.json"}},
      {"200 MB cover",
       {{"path", marrow}, {"kind", "large"}, {"size", 200'000'000}},
       {"cover.txt", "preferences.json"}},
      {"200 MB cover, no length",
       {{"path", marrow}, {"kind", "large"}, {"size", 200'000'000}, {"chunked", true}},
       {"cover.txt", "preferences.json"}},
  };
  Run(Song("Low Tide Roller", "Kelp Circuit", "Night Harbour"));
  const auto shown = Slots();
  const long long peak = PeakMemory();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim_->Control("DELETE", "faults");
    Fault(c.fault);
    Run(Song("Full Pressure", "Marrow & Sine", "100% Jungle"));
    EXPECT_EQ(Slots(), shown);
    EXPECT_TRUE(posted_.empty());
    EXPECT_EQ(AppFolderNames(), c.left);
  }
  // Holding any of these bodies would have raised the peak by 50 MB or more.
  EXPECT_LT(PeakMemory() - peak, 40LL << 20);
}

}  // namespace
}  // namespace sp
