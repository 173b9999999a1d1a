// What the desktop's remote control is told about a song: length, position, art
// address and the song's object path.
#include "app/remote_track.h"

#include <gtest/gtest.h>

#include "platform/remote_control.h"

namespace sp {
namespace {

api_current_song Song(const char* start, const char* end) {
  api_current_song song;
  song.artist.name = "Kelp Circuit";
  song.title = "Low Tide Roller";
  song.album = "Night Harbour";
  song.started_at = start;
  song.ends_at = end;
  return song;
}

TEST(RemoteTrackTest, LengthComesFromBothTimesOnlyWhenTheyMakeSense) {
  const struct {
    const char *start, *end;
    std::optional<std::int64_t> length_us;
  } cases[] = {
      {"2026-12-07 21:00:00", "2026-12-07 21:03:16", 196'000'000},
      {"2026-12-07 23:59:30", "2026-12-08 00:00:10", 40'000'000},  // over midnight
      {"2026-12-07 21:00:00", "", std::nullopt},
      {"", "2026-12-07 21:03:16", std::nullopt},
      {"2026-12-07 21:03:16", "2026-12-07 21:00:00", std::nullopt},  // ends before it starts
      {"2026-12-07 21:00:00", "2026-12-07 21:00:00", std::nullopt},
      {"2026-12-07 21:00:00", "yesterday", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SongLengthUs(Song(c.start, c.end)), c.length_us) << c.start << " / " << c.end;
}

TEST(RemoteTrackTest, ATrackCarriesThePanelsTextsAndAnEmptyRecordIsNoSong) {
  const remote::Track track =
      BuildRemoteTrack(Song("2026-12-07 21:00:00", "2026-12-07 21:01:00"), 7);
  EXPECT_EQ(track.serial, 7u);
  EXPECT_EQ(track.title, "Low Tide Roller");
  EXPECT_EQ(track.artists, std::vector<std::string>{"Kelp Circuit"});
  EXPECT_EQ(track.album, "Night Harbour");
  EXPECT_EQ(track.length_us, 60'000'000);
  EXPECT_TRUE(track.art_url.empty());

  EXPECT_EQ(BuildRemoteTrack(api_current_song{}, 9), remote::Track{});
}

TEST(RemoteTrackTest, PositionIsTheLengthLessWhatTheCountdownLeftWithinTheSong) {
  const struct {
    std::optional<std::int64_t> length_us, countdown_s;
    double since_s;
    std::int64_t position_us;
  } cases[] = {
      {196'000'000, 96, 0, 100'000'000},  {196'000'000, 96, 2.5, 102'500'000},
      {196'000'000, 250, 0, 0},            // the countdown includes the stream's lag
      {196'000'000, 0, 30, 196'000'000},   // kept at the end while the next song is late
      {196'000'000, 96, -5, 100'000'000},  // a clock that went back adds nothing
      {std::nullopt, 96, 0, 0},           {196'000'000, std::nullopt, 0, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SongPositionUs(c.length_us, c.countdown_s, c.since_s), c.position_us)
        << c.countdown_s.value_or(-1) << " + " << c.since_s;
}

TEST(RemoteTrackTest, FileUrlsEncodeEverythingButUnreservedCharactersAndSlashes) {
  const struct {
    const char *path, *url;
  } cases[] = {
      {"/home/u/.config/lumo/Tidemark Drum and Bass FM/mpris/cover-1-1.png",
       "file:///home/u/.config/lumo/Tidemark%20Drum%20and%20Bass%20FM/mpris/cover-1-1.png"},
      {"/a/100%#?;b", "file:///a/100%25%23%3F%3Bb"},
      {"/caf\xc3\xa9", "file:///caf%C3%A9"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileUrl(c.path), c.url);
}

TEST(RemoteTrackTest, SongPathsAreValidObjectPathsNamedAfterTheApplication) {
  const struct {
    const char* app_id;
    std::uint64_t serial;
    const char* path;
  } cases[] = {
      {"fm.tidemark.StationPlayer", 7, "/fm/tidemark/StationPlayer/Track/7"},
      {"a-b..c.", 1, "/a_b/c/Track/1"},
      {"", 2, "/Track/2"},
      {"fm.tidemark.StationPlayer", 0, ""},  // nothing on air
  };
  for (const auto& c : cases)
    EXPECT_EQ(remote::TrackObjectPath(c.app_id, c.serial), c.path) << c.app_id;
}

}  // namespace
}  // namespace sp
