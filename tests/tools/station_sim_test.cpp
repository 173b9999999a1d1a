// The simulator's logic without a server: clock, dates, playlist turnover,
// stream lag, faults, scenarios, cover names and the tone frames.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "covers.h"
#include "faults.h"
#include "playlist.h"
#include "sim_state.h"
#include "sim_time.h"
#include "tones.h"

namespace sim {
namespace {

using std::chrono::seconds;

TEST(SimClock, RunsAtItsSpeedFromWhereItWasSet) {
  const Steady::time_point t0{};
  SimClock clock(1000, 60, t0);
  EXPECT_DOUBLE_EQ(clock.At(t0), 1000);
  EXPECT_DOUBLE_EQ(clock.At(t0 + seconds(2)), 1120);
  clock.Reset(clock.At(t0 + seconds(2)), 0, t0 + seconds(2));  // frozen from here
  EXPECT_DOUBLE_EQ(clock.At(t0 + seconds(100)), 1120);
  clock.Reset(5000, 0.5, t0 + seconds(100));
  EXPECT_DOUBLE_EQ(clock.At(t0 + seconds(104)), 5002);
}

TEST(SimDates, FormatAndParseAgree) {
  const struct {
    const char* text;
    WallSeconds t;
  } cases[] = {
      {"2026-12-07 21:14:05", 1796678045}, {"1970-01-01 00:00:00", 0},
      {"1969-12-31 23:59:59", -1},         {"2024-02-29 10:00:00", 1709200800},
      {"2038-01-19 03:14:08", 2147483648},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDateTime(c.t), c.text);
    EXPECT_EQ(ParseDateTime(c.text), c.t) << c.text;
  }
  for (const char* bad : {"2023-02-29 00:00:00", "2023-01-01 24:00:00", "2023-1-01 00:00:00",
                          "2023-01-01T00:00:00", "2023-01-01 00:00:00 +0100", ""}) {
    EXPECT_FALSE(ParseDateTime(bad).has_value()) << bad;
  }
  EXPECT_TRUE(IsUtcOffset("+0100"));
  EXPECT_TRUE(IsUtcOffset("-0930"));
  EXPECT_FALSE(IsUtcOffset("0100"));
  EXPECT_FALSE(IsUtcOffset("+01:00"));
  EXPECT_FALSE(IsUtcOffset("+1500"));
}

Playlist ThreeSongs() {
  Song a, b, c;
  a.title = "A";
  a.length = 10;
  b.title = "B";
  b.length = 20;
  c.title = "C";
  c.length = 30;
  return Playlist({a, b, c}, 1000);
}

TEST(Playlist, TurnsOverByItselfAndForEver) {
  const Playlist p = ThreeSongs();
  const struct {
    WallSeconds t;
    std::size_t index;
    std::int64_t play;
    WallSeconds started, ends;
  } cases[] = {
      {1000, 0, 0, 1000, 1010}, {1009, 0, 0, 1000, 1010}, {1010, 1, 1, 1010, 1030},
      {1059, 2, 2, 1030, 1060}, {1060, 0, 3, 1060, 1070}, {1000 + 60 * 1000, 0, 3000, 61000, 61010},
      {999, 2, -1, 970, 1000},  {940, 0, -3, 940, 950},
  };
  for (const auto& c : cases) {
    const std::optional<Slot> s = p.At(c.t);
    ASSERT_TRUE(s.has_value()) << c.t;
    EXPECT_EQ(s->index, c.index) << c.t;
    EXPECT_EQ(s->play, c.play) << c.t;
    EXPECT_EQ(s->started, c.started) << c.t;
    EXPECT_EQ(s->ends, c.ends) << c.t;
  }
  EXPECT_FALSE(Playlist({}, 0).At(5).has_value());
}

TEST(Playlist, TheStreamPlaysWhatWasOnAirLagSecondsAgo) {
  Snapshot s;
  s.playlist = ThreeSongs();
  s.stream_lag = 42;
  EXPECT_EQ(s.playlist.At(1052)->index, 2u);
  EXPECT_EQ(HeardAt(s, 1052.5)->index, 1u);  // 1010.5: B
  EXPECT_EQ(HeardAt(s, 1051.9)->index, 0u);  // 1009.9: still A
  s.stream_lag = 0;
  EXPECT_EQ(HeardAt(s, 1052.5)->index, 2u);
}

TEST(Playlist, CurrentSongJsonHasEveryMemberOfTheRecord) {
  const Playlist p = ThreeSongs();
  const nlohmann::json j = CurrentSongJson(p.songs()[1], *p.At(1015), "+0100");
  for (const char* m : {"id", "length", "releaseyear"}) EXPECT_TRUE(j.at(m).is_number_integer());
  for (const char* m : {"type", "title", "album", "genre", "created_at"}) {
    EXPECT_TRUE(j.at(m).is_string()) << m;
  }
  EXPECT_EQ(j["started_at"], "1970-01-01 00:16:50 +0100");
  EXPECT_EQ(j["ends_at"], "1970-01-01 00:17:10 +0100");
  EXPECT_TRUE(j["artist"]["laut_id"].is_number_integer());
  for (const char* m : {"name", "url", "laut_url", "image", "thumb"}) {
    EXPECT_TRUE(j["artist"].at(m).is_string()) << m;
  }
  EXPECT_NE(j["id"], CurrentSongJson(p.songs()[1], *p.At(1075), "+0100")["id"]);  // per play
}

TEST(Playlist, SongsFromScenariosAreChecked) {
  const Song s = SongFromJson({{"title", "T"}, {"artist", "Ä"}, {"length", 5}, {"tone", 2}});
  EXPECT_EQ(s.title, "T");
  EXPECT_EQ(s.length, 5);
  EXPECT_EQ(s.tone, 2);
  for (const nlohmann::json& bad :
       {nlohmann::json{{"length", 0}}, nlohmann::json{{"title", 5}},
        nlohmann::json{{"length", 1.5}}, nlohmann::json::array(), nlohmann::json{{"tone", -2}}}) {
    EXPECT_THROW(SongFromJson(bad), std::invalid_argument) << bad.dump();
  }
}

TEST(Faults, ParseEveryKindAndRefuseNonsense) {
  for (const char* kind : {"error500", "not_json", "empty", "drop", "stall", "large", "custom"}) {
    const Fault f = FaultFromJson({{"path", "/api/time"}, {"kind", kind}});
    EXPECT_STREQ(FaultKindName(f.kind), kind);
    EXPECT_EQ(FaultFromJson(FaultToJson(f)).kind, f.kind);
  }
  EXPECT_EQ(FaultFromJson({{"path", "/x"}, {"kind", "redirect"}, {"location", "/y"}}).location,
            "/y");
  for (const nlohmann::json& bad : {
           nlohmann::json{{"path", "/x"}, {"kind", "melt"}},
           nlohmann::json{{"path", "x"}, {"kind", "empty"}},
           nlohmann::json{{"path", "/x"}, {"kind", "redirect"}},
           nlohmann::json{{"path", "/x"}, {"kind", "empty"}, {"count", 0}},
           nlohmann::json{{"path", "/x"}, {"kind", "custom"}, {"status", 99}},
           nlohmann::json{{"path", "/x"}, {"kind", "stall"}, {"stall_seconds", -1}},
       }) {
    EXPECT_THROW(FaultFromJson(bad), std::invalid_argument) << bad.dump();
  }
}

TEST(Faults, CountedFaultsExpire) {
  FaultTable table;
  table.Set(FaultFromJson({{"path", "/a"}, {"kind", "empty"}, {"count", 2}}));
  table.Set(FaultFromJson({{"path", "/b"}, {"kind", "empty"}}));
  EXPECT_TRUE(table.Take("/a").has_value());
  EXPECT_TRUE(table.Take("/a").has_value());
  EXPECT_FALSE(table.Take("/a").has_value());
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(table.Take("/b").has_value());
  EXPECT_FALSE(table.Take("/c").has_value());
}

TEST(Faults, LargeBodyIsValidJsonOfTheExactSizeInAnyPieces) {
  const std::size_t total = 100003;
  std::string whole;
  for (std::size_t off = 0; off < total; off += 4096) whole += LargeJsonPiece(off, 4096, total);
  ASSERT_EQ(whole.size(), total);
  const nlohmann::json j = nlohmann::json::parse(whole);
  EXPECT_EQ(j["title"].get<std::string>().size(), total - 12);
}

TEST(SimState, ABadScenarioChangesNothing) {
  const Steady::time_point t0{};
  SimState state(t0);
  state.Apply({{"clock", {{"now", "2026-12-07 21:14:05"}, {"speed", 0}, {"offset", "+0100"}}},
               {"songs", {{{"title", "A"}, {"length", 60}}}},
               {"stream_lag", 5}},
              t0);
  const nlohmann::json before = state.ToJson(t0);
  const nlohmann::json bad[] = {
      {{"clock", {{"now", "2026-12-07 21:14:05"}}}, {"faults", {{{"kind", "melt"}}}}},
      {{"clock", {{"speed", -1}}}},
      {{"songs", {{{"title", "B"}, {"length", 0}}}}},
      {{"stream_lag", -5}},
      {{"clock", {{"offset", "CET"}}}},
      {{"playlist_start", "yesterday"}},
  };
  for (const nlohmann::json& sc : bad) {
    EXPECT_ANY_THROW(state.Apply(sc, t0)) << sc.dump();
    EXPECT_EQ(state.ToJson(t0), before) << sc.dump();
  }
  EXPECT_EQ(before["clock"]["now"], "2026-12-07 21:14:05");
  EXPECT_EQ(before["on_air"]["title"], "A");
  EXPECT_EQ(before["stream_lag"], 5);
}

TEST(Covers, LowerCasingMatchesTheProgramsRequests) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"Lumière Break - Café.PNG", "lumière break - café.png"},
      {"ÀÉÎÕÜ", "àéîõü"},
      {"ΩMEGA ΣΑ", "ωmega σα"},
      {"ДНК Ёж", "днк ёж"},
      {"× ÷ ß", "× ÷ ß"},
      {"100% JUNGLE [Mix].jpg", "100% jungle [mix].jpg"},
  };
  for (const auto& c : cases) EXPECT_EQ(LowerUtf8(c.in), c.out) << c.in;
}

TEST(Covers, StoreFindsFilesByLowerCaseName) {
  char tmpl[] = "/tmp/sp-covers-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  std::string error;
  CoverStore store;
  EXPECT_FALSE(store.Load(dir, error));  // no list
  std::ofstream(dir + "/dateien.txt") << "Big Cover.JPG\r\n";
  std::ofstream(dir + "/Big Cover.JPG") << "jpeg";
  // The program's request for these ends at '#' or '?'.
  std::ofstream(dir + "/Mix #2.png") << "png";
  std::ofstream(dir + "/Mix #1.png") << "png";
  std::ofstream(dir + "/Why Not?.png") << "png";
  ASSERT_TRUE(store.Load(dir, error));
  EXPECT_EQ(store.Find("big cover.jpg"), dir + "/Big Cover.JPG");
  EXPECT_EQ(store.Find("mix "), dir + "/Mix #1.png");  // the first in byte order
  EXPECT_EQ(store.Find("why not"), dir + "/Why Not?.png");
  EXPECT_FALSE(store.Find("mix #1.png").has_value());
  EXPECT_EQ(store.Find("BIG COVER.jpg"), dir + "/Big Cover.JPG");
  EXPECT_FALSE(store.Find("../big cover.jpg").has_value());
  EXPECT_EQ(ContentTypeFor("x.JPG"), "image/jpeg");
  EXPECT_EQ(ContentTypeFor("x.png"), "image/png");
  std::filesystem::remove_all(dir);
}

std::string Frame(unsigned char bitrate_and_pad) {
  const std::size_t kbps = 128;
  std::string f(144000 * kbps / 44100 + ((bitrate_and_pad >> 1) & 1), '\0');
  f[0] = '\xFF';
  f[1] = '\xFB';
  f[2] = static_cast<char>(bitrate_and_pad);
  return f;
}

TEST(Tones, SplitsMp3FramesAndRefusesOtherData) {
  const std::string plain = Frame(0x90), padded = Frame(0x92);
  EXPECT_EQ(plain.size(), 417u);
  EXPECT_EQ(padded.size(), 418u);
  const std::string id3 = std::string("ID3\x04\x00\x00\x00\x00\x00\x05", 10) + "12345";
  const std::string data = id3 + plain + padded + plain;
  const auto frames = SplitMp3Frames(data);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[1].size(), 418u);
  EXPECT_EQ(SplitMp3Frames(data + plain.substr(0, 100)).size(), 3u);  // cut last frame
  EXPECT_TRUE(SplitMp3Frames(plain + "garbage that is no frame").empty());
  EXPECT_TRUE(SplitMp3Frames(std::string("\xFF\xFB\x94", 3) + std::string(500, '\0')).empty());
}

TEST(Tones, BuildTonesLoopWholeFramesOfTheDocumentedSines) {
  std::string error;
  const std::vector<Tone> tones = LoadTones(SP_SIM_AUDIO_DIR, error);
  ASSERT_EQ(tones.size(), 6u) << error;
  const double expected[] = {220, 247.5, 277.5, 330, 370, 440};
  for (std::size_t i = 0; i < tones.size(); ++i) {
    EXPECT_DOUBLE_EQ(tones[i].frequency, expected[i]);
    EXPECT_DOUBLE_EQ(tones[i].amplitude, 0.5);
    EXPECT_EQ(tones[i].frames.size(), kLoopFrames);
    // A whole number of periods in the loop keeps it seamless.
    const double periods = tones[i].frequency * kLoopFrames * kFrameSeconds;
    EXPECT_NEAR(periods, std::round(periods), 1e-6);
  }
  EXPECT_TRUE(LoadTones("/nonexistent", error).empty());
}

TEST(Tones, CursorLoopsASongAndRestartsOnTheNextPlay) {
  Tone a, b;
  a.frames = {"a0", "a1", "a2"};
  b.frames = {"b0", "b1"};
  StreamCursor c;
  std::string got;
  for (int i = 0; i < 4; ++i) got += c.Next(7, a);
  got += c.Next(8, a);  // the same song played again starts from its beginning
  got += c.Next(9, b);
  got += c.Next(9, b);
  got += c.Next(9, b);
  EXPECT_EQ(got, "a0a1a2a0a0b0b1b0");
}

}  // namespace
}  // namespace sim
