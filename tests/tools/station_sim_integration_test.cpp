// The running simulator over HTTP: clock, turnover, every fault mode, the
// request log, covers and the lagging audio stream.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "covers.h"
#include "sim_process.h"
#include "tones.h"

namespace sp {
namespace {

using test::RawAnswer;
using test::RawGet;

const nlohmann::json kFrozen = {
    {"clock", {{"now", "2026-12-07 21:14:05"}, {"offset", "+0100"}, {"speed", 0}}},
    {"playlist_start", "2026-12-07 21:12:00"},
    {"songs",
     {{{"title", "A"}, {"artist", "X"}, {"album", "Y"}, {"length", 196}, {"tone", 0}},
      {{"title", "B"}, {"artist", "X"}, {"album", "Y"}, {"length", 100}, {"tone", 1}}}},
    {"stream_lag", 42},
    {"faults", nlohmann::json::array()}};

class StationSimTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sim_ = std::make_unique<test::SimProcess>(); }
  static void TearDownTestSuite() { sim_.reset(); }
  void SetUp() override {
    ASSERT_TRUE(sim_->ok());
    long status = 0;
    sim_->Control("POST", "scenario", kFrozen, &status);
    ASSERT_EQ(status, 200);
    sim_->Control("DELETE", "requests");
  }
  static std::string Url(const std::string& path) { return sim_->BaseUrl() + path; }
  static nlohmann::json Song() {
    return nlohmann::json::parse(RawGet(Url("/api/station/tidemark/current_song")).body);
  }
  static std::unique_ptr<test::SimProcess> sim_;
};

std::unique_ptr<test::SimProcess> StationSimTest::sim_;

TEST_F(StationSimTest, ClockIsQuotedWithItsOffsetAndRunsAtTheSetSpeed) {
  EXPECT_EQ(RawGet(Url("/api/time")).body, "\"2026-12-07 21:14:05 +0100\"");
  EXPECT_EQ(RawGet(Url("/api/time")).body, "\"2026-12-07 21:14:05 +0100\"");  // frozen
  sim_->Control("POST", "clock", {{"speed", 100000}});
  // At 100000 times real speed a second passes in 10 microseconds.
  std::set<std::string> seen;
  for (int i = 0; i < 20 && seen.size() < 3; ++i) seen.insert(RawGet(Url("/api/time")).body);
  EXPECT_GE(seen.size(), 3u);
  EXPECT_GT(*seen.rbegin(), "\"2026-12-07 21:14:05 +0100\"");
}

TEST_F(StationSimTest, PlaylistTurnsOverWithConsistentTimes) {
  sim_->Control("POST", "songs",
                {{"songs", {{{"title", "A"}, {"length", 2}}, {{"title", "B"}, {"length", 3}}}},
                 {"start", "2026-12-07 21:14:05"}});
  nlohmann::json song = Song();
  EXPECT_EQ(song["title"], "A");
  EXPECT_EQ(song["started_at"], "2026-12-07 21:14:05 +0100");
  EXPECT_EQ(song["ends_at"], "2026-12-07 21:14:07 +0100");
  sim_->Control("POST", "clock", {{"now", "2026-12-07 21:14:07"}});
  song = Song();
  EXPECT_EQ(song["title"], "B");
  EXPECT_EQ(song["started_at"], "2026-12-07 21:14:07 +0100");
  EXPECT_EQ(song["ends_at"], "2026-12-07 21:14:10 +0100");
  // Running fast, the list goes round by itself: A, B, A, ...
  sim_->Control("POST", "clock", {{"speed", 50}});
  std::vector<std::string> titles;
  for (int i = 0; i < 2000 && titles.size() < 4; ++i) {
    const std::string t = Song()["title"];
    if (titles.empty() || titles.back() != t) titles.push_back(t);
  }
  ASSERT_EQ(titles.size(), 4u);
  EXPECT_EQ(titles[0], "B");
  EXPECT_EQ(titles[1], "A");
  EXPECT_EQ(titles[2], "B");
}

struct FaultCase {
  const char* name;
  nlohmann::json fault;
  std::function<void(const RawAnswer&)> check;
};

TEST_F(StationSimTest, EveryFaultModeAnswersAsDescribed) {
  const std::string normal = RawGet(Url("/api/station/tidemark/current_song")).body;
  const FaultCase cases[] = {
      {"error500",
       {{"kind", "error500"}},
       [](const RawAnswer& a) {
         EXPECT_EQ(a.status, 500);
         EXPECT_NE(a.content_type.find("text/html"), std::string::npos);
         EXPECT_NE(a.body.find("<html>"), std::string::npos);
       }},
      {"not_json",
       {{"kind", "not_json"}},
       [](const RawAnswer& a) {
         EXPECT_EQ(a.status, 200);
         EXPECT_TRUE(nlohmann::json::parse(a.body, nullptr, false).is_discarded());
       }},
      {"empty",
       {{"kind", "empty"}},
       [](const RawAnswer& a) {
         EXPECT_EQ(a.status, 200);
         EXPECT_EQ(a.body, "");
       }},
      {"redirect",
       {{"kind", "redirect"}, {"location", "/elsewhere"}, {"body", "moved"}},
       [this](const RawAnswer& a) {
         EXPECT_EQ(a.status, 302);
         EXPECT_EQ(a.location, Url("/elsewhere"));
         EXPECT_EQ(a.body, "moved");
       }},
      {"drop",
       {{"kind", "drop"}},
       [&normal](const RawAnswer& a) {
         EXPECT_EQ(a.curl_code, CURLE_PARTIAL_FILE);
         EXPECT_EQ(a.body, normal.substr(0, normal.size() / 2));
       }},
      {"stall",
       {{"kind", "stall"}, {"stall_seconds", 0.3}},
       [&normal](const RawAnswer& a) {
         EXPECT_EQ(a.curl_code, 0);
         EXPECT_EQ(a.body, normal);
         EXPECT_GE(a.elapsed.count(), 0.29);
       }},
      {"large",
       {{"kind", "large"}, {"size", 3000000}},
       [](const RawAnswer& a) {
         EXPECT_EQ(a.body.size(), 3000000u);
         EXPECT_FALSE(nlohmann::json::parse(a.body, nullptr, false).is_discarded());
       }},
      {"large chunked",
       {{"kind", "large"}, {"size", 100000}, {"chunked", true}},
       [](const RawAnswer& a) { EXPECT_EQ(a.body.size(), 100000u); }},
      {"custom",
       {{"kind", "custom"}, {"status", 418}, {"body", "[1]"}},
       [](const RawAnswer& a) {
         EXPECT_EQ(a.status, 418);
         EXPECT_EQ(a.body, "[1]");
       }},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.name);
    nlohmann::json f = c.fault;
    f["path"] = "/api/station/tidemark/current_song";
    f["count"] = 1;
    long status = 0;
    sim_->Control("POST", "faults", f, &status);
    ASSERT_EQ(status, 200);
    c.check(RawGet(Url("/api/station/tidemark/current_song")));
    EXPECT_EQ(RawGet(Url("/api/station/tidemark/current_song")).body, normal);  // used up
  }
}

TEST_F(StationSimTest, BadControlRequestsAreRefusedAndChangeNothing) {
  const nlohmann::json before = sim_->Control("GET", "state");
  long status = 0;
  sim_->Control("POST", "faults", {{"path", "/x"}, {"kind", "melt"}}, &status);
  EXPECT_EQ(status, 400);
  sim_->Control("POST", "clock", {{"now", "tomorrow"}}, &status);
  EXPECT_EQ(status, 400);
  sim_->Control("POST", "lag", {{"seconds", "many"}}, &status);
  EXPECT_EQ(status, 400);
  EXPECT_EQ(sim_->Control("GET", "state"), before);
}

TEST_F(StationSimTest, RequestLogRecordsMethodPathQueryAndUserAgent) {
  RawGet(Url("/api/time?x=1&y=%20z"), std::chrono::seconds(10), "probe/1.0");
  RawGet(Url("/tidemark-radio/Covers/a%20b.jpg"));
  sim_->Control("GET", "state");  // control requests are not logged
  nlohmann::json log = sim_->Requests();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0]["method"], "GET");
  EXPECT_EQ(log[0]["path"], "/api/time");
  EXPECT_EQ(log[0]["query"], "x=1&y=%20z");
  EXPECT_EQ(log[0]["user_agent"], "probe/1.0");
  EXPECT_EQ(log[1]["path"], "/tidemark-radio/Covers/a b.jpg");
  sim_->Control("DELETE", "requests");
  EXPECT_TRUE(sim_->Requests().empty());
}

TEST_F(StationSimTest, TheListLooksHandKeptAndEveryNameIsServedAsTheProgramAsksForIt) {
  const RawAnswer list = RawGet(Url("/tidemark-radio/Covers/dateien.txt"));
  ASSERT_EQ(list.status, 200);
  const std::string& text = list.body;
  ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");  // a byte-order mark
  EXPECT_NE(text.find("\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n\r\n"), std::string::npos);  // an empty line
  bool lone_cr = false, lone_lf = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    lone_cr |= text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
    lone_lf |= text[i] == '\n' && (i == 0 || text[i - 1] != '\r');
  }
  EXPECT_TRUE(lone_cr && lone_lf);
  EXPECT_NE(text.back(), '\n');  // the last line has no end
  EXPECT_NE(text.back(), '\r');

  std::vector<std::string> names;
  for (std::size_t pos = 3; pos < text.size();) {
    const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
    names.push_back(text.substr(pos, end - pos));
    pos = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  int served = 0;
  bool percent = false, plus = false, hash = false, question = false, non_ascii = false,
       capitals = false;
  for (const std::string& name : names) {
    if (name.empty()) continue;
    percent |= name.find('%') != std::string::npos;
    plus |= name.find('+') != std::string::npos;
    hash |= name.find('#') != std::string::npos;
    question |= name.find('?') != std::string::npos;
    capitals |= sim::LowerUtf8(name) != name;
    for (unsigned char ch : name) non_ascii |= ch >= 0x80;
    // Lower-cased, and cut where the program's URL turns into a fragment or query.
    const std::string lower = sim::LowerUtf8(name);
    const RawAnswer a = RawGet(Url(test::PercentEncode(
        "/tidemark-radio/Covers/" + lower.substr(0, lower.find_first_of("#?")))));
    EXPECT_EQ(a.status, 200) << name;
    const bool jpeg = a.body.substr(0, 3) == "\xFF\xD8\xFF";
    const bool png = a.body.substr(0, 8) == "\x89PNG\r\n\x1A\n";
    EXPECT_TRUE(jpeg || png) << name;
    EXPECT_EQ(a.content_type, jpeg ? "image/jpeg" : "image/png") << name;
    ++served;
  }
  EXPECT_GE(served, 300);
  EXPECT_TRUE(percent && plus && hash && question && non_ascii && capitals);
  EXPECT_EQ(RawGet(Url("/tidemark-radio/Covers/missing.jpg")).status, 404);
  EXPECT_EQ(RawGet(Url("/tidemark-radio/Covers/..%2F..%2Fetc%2Fpasswd")).status, 404);
}

TEST_F(StationSimTest, UnknownStationsAndPathsAreNotFound) {
  EXPECT_EQ(RawGet(Url("/api/station/other/current_song")).status, 404);
  EXPECT_EQ(RawGet(Url("/stream/other")).status, 404);
  EXPECT_EQ(RawGet(Url("/nothing")).status, 404);
  EXPECT_EQ(RawGet(Url("/channel")).status, 200);
}

// The first `n` bytes of the stream.
std::string StreamStart(const std::string& url, std::size_t n, std::string& type) {
  struct Sink {
    std::string data;
    std::size_t want;
  } sink{{}, n};
  std::unique_ptr<CURL, void (*)(CURL*)> h(curl_easy_init(), curl_easy_cleanup);
  curl_easy_setopt(h.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(h.get(), CURLOPT_TIMEOUT, 10L);
  curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(
      h.get(), CURLOPT_WRITEFUNCTION,
      +[](char* d, size_t size, size_t count, void* user) -> size_t {
        auto* s = static_cast<Sink*>(user);
        s->data.append(d, size * count);
        return s->data.size() >= s->want ? 0 : size * count;  // 0 ends it
      });
  curl_easy_perform(h.get());
  char* ct = nullptr;
  curl_easy_getinfo(h.get(), CURLINFO_CONTENT_TYPE, &ct);
  type = ct ? ct : "";
  return sink.data.substr(0, n);
}

TEST_F(StationSimTest, StreamPlaysTheSongThatWasOnAirLagSecondsAgo) {
  std::string error;
  const std::vector<sim::Tone> tones = sim::LoadTones(SP_SIM_AUDIO_DIR, error);
  ASSERT_GE(tones.size(), 2u) << error;
  const std::string a_start = tones[0].frames[0] + tones[0].frames[1];
  const std::string b_start = tones[1].frames[0] + tones[1].frames[1];
  // On air at 21:14:05 is A (21:12:00 to 21:15:16); B follows.
  sim_->Control("POST", "clock", {{"now", "2026-12-07 21:15:30"}});
  EXPECT_EQ(Song()["title"], "B");
  std::string type;
  EXPECT_EQ(StreamStart(Url("/stream/tidemark"), a_start.size(), type), a_start);  // 21:14:48
  EXPECT_EQ(type, "audio/mpeg");
  sim_->Control("POST", "lag", {{"seconds", 10}});
  EXPECT_EQ(StreamStart(Url("/stream/tidemark"), b_start.size(), type), b_start);  // 21:15:20
}

TEST_F(StationSimTest, CuttingStreamsClosesOpenOnesAndServesNewOnes) {
  std::atomic<std::size_t> got{0};
  CURLcode result = CURLE_OK;
  std::thread listener([&] {
    std::unique_ptr<CURL, void (*)(CURL*)> h(curl_easy_init(), curl_easy_cleanup);
    const std::string url = Url("/stream/tidemark");
    curl_easy_setopt(h.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(h.get(), CURLOPT_TIMEOUT, 10L);
    curl_easy_setopt(h.get(), CURLOPT_WRITEDATA, &got);
    curl_easy_setopt(
        h.get(), CURLOPT_WRITEFUNCTION,
        +[](char*, size_t size, size_t count, void* user) -> size_t {
          *static_cast<std::atomic<std::size_t>*>(user) += size * count;
          return size * count;
        });
    result = curl_easy_perform(h.get());
  });
  for (int i = 0; i < 100 && got == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GT(got.load(), 0u);
  sim_->Control("POST", "streams/cut");
  listener.join();
  // Ended by the cut, not by the client's 10 s limit.
  EXPECT_NE(result, CURLE_OPERATION_TIMEDOUT);
  EXPECT_NE(result, CURLE_OK);
  std::string type;
  EXPECT_EQ(StreamStart(Url("/stream/tidemark"), 1000, type).size(), 1000u);
}

}  // namespace
}  // namespace sp
