// The API client against the station simulator on loopback: real requests,
// redirects, the User-Agent, and every broken answer the simulator can give.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "sim_process.h"
#include "station/api_json.h"
#include "station/http_get.h"
#include "station/station_api.h"

namespace sp {
namespace {

using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

// A frozen clock and a known song on air make every answer predictable.
const nlohmann::json kScenario = {
    {"clock", {{"now", "2026-12-07 21:14:05"}, {"offset", "+0100"}, {"speed", 0}}},
    {"playlist_start", "2026-12-07 21:12:00"},
    {"songs",
     {{{"title", "Low Tide Roller"},
       {"artist", "Kelp Circuit"},
       {"album", "Night Harbour"},
       {"length", 196},
       {"genre", "Drum and Bass"},
       {"releaseyear", 2021}},
      {{"title", "Café Sunrise"},
       {"artist", "Lumière Break"},
       {"album", "Côte Liquid"},
       {"length", 174}}}},
    {"faults", nlohmann::json::array()}};

class StationApiTest : public ::testing::Test {
 protected:
  // One simulator for the suite; each test resets its scenario.
  static void SetUpTestSuite() { sim_ = std::make_unique<test::SimProcess>(); }
  static void TearDownTestSuite() { sim_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(sim_->ok()) << "the simulator did not start";
    SetStationApiBase(sim_->ApiBase());
    // A stall is detected after about a second instead of 20.
    HttpLimits fast;
    fast.stall_time = std::chrono::milliseconds(500);
    fast.connect_timeout = seconds(5);
    SetHttpLimits(fast);
    long status = 0;
    sim_->Control("POST", "scenario", kScenario, &status);
    ASSERT_EQ(status, 200);
    sim_->Control("DELETE", "requests");
  }
  void TearDown() override { SetHttpLimits(HttpLimits{}); }

  void Fault(const nlohmann::json& fault) {
    long status = 0;
    sim_->Control("POST", "faults", fault, &status);
    ASSERT_EQ(status, 200) << fault.dump();
  }

  static api_current_song Sentinel() {
    api_current_song s;
    s.title = "Unchanged";
    s.artist.name = "Nobody";
    s.id = 42;
    return s;
  }

  static std::unique_ptr<test::SimProcess> sim_;
};

std::unique_ptr<test::SimProcess> StationApiTest::sim_;

TEST_F(StationApiTest, FetchesTheSongOnAirAndTheServerTime) {
  api_current_song song;
  ASSERT_TRUE(FetchCurrentSong("tidemark", song));
  EXPECT_EQ(song.title, "Low Tide Roller");
  EXPECT_EQ(song.artist.name, "Kelp Circuit");
  EXPECT_EQ(song.album, "Night Harbour");
  EXPECT_EQ(song.length, 196);
  EXPECT_EQ(song.releaseyear, 2021);
  EXPECT_EQ(song.genre, "Drum and Bass");
  EXPECT_FALSE(song.type.empty());
  EXPECT_NE(song.id, 0);
  EXPECT_NE(song.artist.laut_id, 0);
  EXPECT_EQ(song.started_at, "2026-12-07 21:12:00 +0100");
  EXPECT_EQ(song.ends_at, "2026-12-07 21:15:16 +0100");
  EXPECT_EQ(ParseApiTime(song.ends_at) - ParseApiTime(song.started_at), 196);
  EXPECT_EQ(GetServerTime(), ParseApiTime("2026-12-07 21:14:05"));
}

TEST_F(StationApiTest, NonAsciiTextsArriveAsUtf8) {
  sim_->Control("POST", "clock", {{"now", "2026-12-07 21:16:00"}});
  api_current_song song;
  ASSERT_TRUE(FetchCurrentSong("tidemark", song));
  EXPECT_EQ(song.title, "Caf\xC3\xA9 Sunrise");
  EXPECT_EQ(song.artist.name, "Lumi\xC3\xA8re Break");
}

TEST_F(StationApiTest, EveryRequestCarriesTheFixedUserAgent) {
  api_current_song song;
  ASSERT_TRUE(FetchCurrentSong("tidemark", song));
  ASSERT_NE(GetServerTime(), -1);
  const nlohmann::json log = sim_->Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0]["path"], "/api/station/tidemark/current_song");
  EXPECT_EQ(log[1]["path"], "/api/time");
  for (const auto& r : log) {
    EXPECT_EQ(r["method"], "GET");
    EXPECT_EQ(r["user_agent"], "Mozilla/5.0 Gecko/41.0 Firefox/41.0");
  }
}

TEST_F(StationApiTest, TimeRedirectIsNotFollowedButItsBodyIsRead) {
  // Followed, this redirect would reach the real /time on the second request.
  Fault({{"path", "/api/time"}, {"kind", "redirect"}, {"location", "/api/time"}, {"count", 1}});
  EXPECT_EQ(GetServerTime(), -1);
  EXPECT_EQ(sim_->Requests().size(), 1u);
  Fault({{"path", "/api/time"},
         {"kind", "redirect"},
         {"location", "/api/time"},
         {"count", 1},
         {"body", "\"2022-10-12 15:03:27 +0200\""}});
  EXPECT_EQ(GetServerTime(), ParseApiTime("2022-10-12 15:03:27"));
  EXPECT_EQ(GetServerTime(), ParseApiTime("2026-12-07 21:14:05"));
}

TEST_F(StationApiTest, SongRedirectIsFollowed) {
  Fault({{"path", "/api/station/moved/current_song"},
         {"kind", "redirect"},
         {"status", 301},
         {"location", "/api/station/tidemark/current_song"}});
  api_current_song song;
  ASSERT_TRUE(FetchCurrentSong("moved", song));
  EXPECT_EQ(song.title, "Low Tide Roller");
  const nlohmann::json log = sim_->Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1]["user_agent"], "Mozilla/5.0 Gecko/41.0 Firefox/41.0");
}

TEST_F(StationApiTest, RedirectsAreBoundedAndStayOnHttp) {
  Fault({{"path", "/api/station/loop/current_song"},
         {"kind", "redirect"},
         {"location", "/api/station/loop/current_song"}});
  api_current_song song = Sentinel();
  EXPECT_FALSE(FetchCurrentSong("loop", song));
  EXPECT_EQ(song, Sentinel());
  EXPECT_EQ(sim_->Requests().size(), 11u);  // the first request and 10 redirects

  Fault({{"path", "/api/station/file/current_song"},
         {"kind", "redirect"},
         {"location", "file:///etc/passwd"}});
  EXPECT_FALSE(FetchCurrentSong("file", song));
  EXPECT_EQ(song, Sentinel());
  EXPECT_FALSE(HttpGet("file:///etc/passwd", 0).has_value());
}

struct FaultCase {
  const char* name;
  nlohmann::json fault;  // without "path"
};

TEST_F(StationApiTest, BrokenAnswersChangeNothingAndEndWithinTheLimits) {
  const FaultCase cases[] = {
      {"500 page", {{"kind", "error500"}}},
      {"not JSON", {{"kind", "not_json"}}},
      {"empty body", {{"kind", "empty"}}},
      {"dropped mid-body", {{"kind", "drop"}}},
      {"stall in the body", {{"kind", "stall"}, {"stall_seconds", 5}}},
      {"stall before headers", {{"kind", "stall"}, {"stall_seconds", 5}, {"before_headers", true}}},
      {"2 MiB with length", {{"kind", "large"}}},
      {"2 MiB chunked", {{"kind", "large"}, {"chunked", true}}},
      // The song request follows it to a 404 page, /time reads the redirect's page.
      {"redirect answer", {{"kind", "redirect"}, {"location", "/nowhere"}}},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    nlohmann::json song_fault = c.fault;
    song_fault["path"] = "/api/station/tidemark/current_song";
    Fault(song_fault);
    nlohmann::json time_fault = c.fault;
    time_fault["path"] = "/api/time";
    Fault(time_fault);

    api_current_song song = Sentinel();
    const auto start = Clock::now();
    EXPECT_FALSE(FetchCurrentSong("tidemark", song));
    EXPECT_EQ(song, Sentinel());
    EXPECT_EQ(GetServerTime(), -1);
    // Both requests of a stall give up after the 0.5 s limit, long before the
    // server would go on after 5 s.
    EXPECT_LT(Clock::now() - start, seconds(4));
    sim_->Control("DELETE", "faults");
  }
}

TEST_F(StationApiTest, TheStatusIsNotExaminedAJsonErrorBodyIsAnAnswer) {
  Fault({{"path", "/api/station/tidemark/current_song"},
         {"kind", "custom"},
         {"status", 503},
         {"body", R"({"error":"maintenance"})"}});
  api_current_song song = Sentinel();
  EXPECT_TRUE(FetchCurrentSong("tidemark", song));
  EXPECT_EQ(song, api_current_song{});

  Fault({{"path", "/api/time"},
         {"kind", "custom"},
         {"status", 500},
         {"body", "2022-10-12 15:03:27"}});
  EXPECT_EQ(GetServerTime(), ParseApiTime("2022-10-12 15:03:27"));
}

TEST_F(StationApiTest, AnEmptyBodyIsAnEmptyResultNotAFailure) {
  Fault({{"path", "/api/time"}, {"kind", "empty"}});
  const std::optional<std::string> body = HttpGet(sim_->ApiBase() + "/time", HttpNoRedirect);
  ASSERT_TRUE(body.has_value());
  EXPECT_TRUE(body->empty());
}

TEST_F(StationApiTest, UnreachableServerFailsQuickly) {
  test::SimProcess other;
  ASSERT_TRUE(other.ok());
  SetStationApiBase(other.ApiBase());
  other.Stop();  // nothing listens on that port any more
  api_current_song song = Sentinel();
  EXPECT_FALSE(FetchCurrentSong("tidemark", song));
  EXPECT_EQ(song, Sentinel());
  EXPECT_EQ(GetServerTime(), -1);
}

class HttpGetToFileTest : public StationApiTest {
 protected:
  void SetUp() override {
    StationApiTest::SetUp();
    char tmpl[] = "/tmp/sp-httpfile-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    path_ = dir_ + "/cover.jpg";
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    StationApiTest::TearDown();
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string CoverUrl(const std::string& name, bool with_scheme) const {
    const std::string url = "127.0.0.1:" + std::to_string(sim_->port()) +
                            test::PercentEncode("/tidemark-radio/Covers/" + name);
    return with_scheme ? "http://" + url : url;
  }
  std::string dir_;
  std::string path_;
};

TEST_F(HttpGetToFileTest, StoresTheBodyAndTruncatesAnOldFile) {
  { std::ofstream(path_) << std::string(500000, 'x'); }
  const std::string name = "marrow & sine - full pressure [100% jungle].jpg";
  ASSERT_TRUE(HttpGetToFile(CoverUrl(name, false), path_, 0));
  const std::string stored = Read(path_);
  const test::RawAnswer direct = test::RawGet(CoverUrl(name, true));
  ASSERT_EQ(direct.curl_code, 0);
  EXPECT_EQ(stored, direct.body);
  ASSERT_GT(stored.size(), 3u);
  EXPECT_EQ(stored.substr(0, 3), "\xFF\xD8\xFF");  // a JPEG, not the old bytes
  EXPECT_EQ(sim_->Requests().at(0)["user_agent"], "Mozilla/5.0 Gecko/41.0 Firefox/41.0");
}

TEST_F(HttpGetToFileTest, AFailedTransferLeavesNoFile) {
  const std::string list = "/tidemark-radio/Covers/dateien.txt";
  Fault({{"path", list}, {"kind", "drop"}});
  EXPECT_FALSE(HttpGetToFile(CoverUrl("dateien.txt", false), path_, HttpNoRedirect));
  EXPECT_FALSE(std::filesystem::exists(path_));

  HttpLimits small = CurrentHttpLimits();
  small.file_body_cap = 4096;
  SetHttpLimits(small);
  Fault({{"path", list}, {"kind", "large"}, {"size", 100000}, {"chunked", true}});
  EXPECT_FALSE(HttpGetToFile(CoverUrl("dateien.txt", false), path_, HttpNoRedirect));
  EXPECT_FALSE(std::filesystem::exists(path_));

  // A folder that does not exist: nothing is requested.
  sim_->Control("DELETE", "requests");
  EXPECT_FALSE(HttpGetToFile(CoverUrl("dateien.txt", false), dir_ + "/no/such/file", 0));
  EXPECT_EQ(sim_->Requests().size(), 0u);
}

TEST_F(HttpGetToFileTest, AnErrorPageIsStoredLikeAnyBody) {
  const std::string list = "/tidemark-radio/Covers/dateien.txt";
  Fault({{"path", list}, {"kind", "error500"}});
  ASSERT_TRUE(HttpGetToFile(CoverUrl("dateien.txt", false), path_, HttpNoRedirect));
  EXPECT_NE(Read(path_).find("Internal Server Error"), std::string::npos);
}

}  // namespace
}  // namespace sp
