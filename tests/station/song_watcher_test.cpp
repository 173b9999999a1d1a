// The watcher's decisions, driven pass by pass with a fake clock and a fake API.
#include "station/song_watcher.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace sp {
namespace {

api_current_song Song(const std::string& title, const std::string& artist, const std::string& album,
                      const std::string& started, const std::string& ends) {
  api_current_song s;
  s.title = title;
  s.artist.name = artist;
  s.album = album;
  s.started_at = started;
  s.ends_at = ends;
  return s;
}

class SongWatcherTest : public ::testing::Test {
 protected:
  SongWatcherTest() {
    SongWatcherDeps deps;
    deps.station = "tidemark";
    deps.stream_lag = 42;
    deps.server_time = [this] {
      ++time_requests;
      return clock;
    };
    deps.fetch_song = [this](const std::string& station, api_current_song& record) {
      ++song_requests;
      EXPECT_EQ(station, "tidemark");
      if (!answer) return false;
      record = *answer;
      return true;
    };
    deps.update_cover_art = [this] { ++cover_runs; };
    deps.post = [this](Event e) {
      posted.push_back(std::move(e));
      return true;
    };
    watcher.emplace(current, std::move(deps));
  }

  std::vector<std::string> Texts(EventType type) const {
    std::vector<std::string> out;
    for (const Event& e : posted)
      if (e.cls == EventClass::App && e.type == type)
        out.push_back(std::any_cast<std::string>(e.data));
    return out;
  }
  int Redraws() const {
    int n = 0;
    for (const Event& e : posted) {
      if (e.type != event_type::RedrawRequest) continue;
      EXPECT_EQ(e.control, Num(ControlId::NowPlayingPanel));
      EXPECT_EQ(std::any_cast<const SharedSong*>(e.data), &current);
      ++n;
    }
    return n;
  }

  TimeValue clock = ParseApiTime("2022-10-12 15:00:00");
  std::optional<api_current_song> answer;
  int time_requests = 0, song_requests = 0, cover_runs = 0;
  std::vector<Event> posted;
  SharedSong current;
  std::optional<SongWatcher> watcher;
};

const api_current_song kFirst = Song("Night Tide", "Harbour Lights", "  Deep Water  ",
                                     "2022-10-12 14:58:00", "2022-10-12 15:03:27");

TEST_F(SongWatcherTest, TheFirstPassFetchesPublishesAndCountsDownInTheSamePass) {
  answer = kFirst;
  watcher->Begin();
  EXPECT_EQ(time_requests, 1);
  watcher->Pass();
  EXPECT_EQ(song_requests, 1);
  EXPECT_EQ(time_requests, 1);  // one request per pass
  EXPECT_EQ(current.Texts().title, "Night Tide");
  EXPECT_EQ(Redraws(), 1);
  EXPECT_EQ(Texts(event_type::CoverCaption), std::vector<std::string>{"Deep Water"});
  EXPECT_EQ(cover_runs, 1);
  // 15:03:27 + 42 s - 15:00:00 = 249 s
  EXPECT_EQ(Texts(event_type::TimeLeft), std::vector<std::string>{"04 : 09"});
}

TEST_F(SongWatcherTest, ASongIsOverFortyTwoSecondsAfterItsEndAndTheCountdownReachesZeroThen) {
  answer = kFirst;
  watcher->Begin();
  watcher->Pass();
  clock = ParseApiTime("2022-10-12 15:04:08");
  watcher->Pass();
  EXPECT_EQ(song_requests, 1);
  EXPECT_EQ(Texts(event_type::TimeLeft).back(), "00 : 01");
  clock = ParseApiTime("2022-10-12 15:04:09");
  watcher->Pass();  // reads the clock: not over yet at the start of this pass
  EXPECT_EQ(song_requests, 1);
  EXPECT_EQ(Texts(event_type::TimeLeft).back(), "00 : 00");
  answer = Song("Second", "B", "C", "2022-10-12 15:03:27", "2022-10-12 15:07:00");
  watcher->Pass();  // now it is over: fetch, with the clock held
  EXPECT_EQ(song_requests, 2);
  EXPECT_EQ(time_requests, 3);  // Begin and the two passes that read the clock
  EXPECT_EQ(current.Texts().title, "Second");
  EXPECT_EQ(Texts(event_type::TimeLeft).back(), "03 : 33");  // 15:07:42 - 15:04:09
}

TEST_F(SongWatcherTest, TheSameSongAgainIsNotTakenSoItKeepsFetchingWithTheClockHeld) {
  answer = kFirst;
  watcher->Begin();
  watcher->Pass();
  clock = ParseApiTime("2022-10-12 15:05:00");
  watcher->Pass();  // clock read: over from here on
  const std::size_t posts = posted.size();
  answer->ends_at = "2022-10-12 15:09:00";  // new times, same artist, album and title
  for (int i = 0; i < 3; ++i) watcher->Pass();
  EXPECT_EQ(song_requests, 4);
  EXPECT_EQ(time_requests, 2);
  EXPECT_EQ(posted.size(), posts);  // neither redraw nor countdown
  EXPECT_EQ(current.Snapshot().ends_at, "2022-10-12 15:03:27");
}

TEST_F(SongWatcherTest, AFailedFetchChangesNothingAndIsRetriedNextPass) {
  watcher->Begin();
  watcher->Pass();
  watcher->Pass();
  EXPECT_EQ(song_requests, 2);
  EXPECT_TRUE(posted.empty());
  EXPECT_EQ(current.Texts().title, "");
}

TEST_F(SongWatcherTest, AnAllEmptyAnswerEmptiesThePanelAndTheCaption) {
  answer = kFirst;
  watcher->Begin();
  watcher->Pass();
  clock = ParseApiTime("2022-10-12 15:06:00");
  watcher->Pass();
  answer = api_current_song{};
  watcher->Pass();
  EXPECT_EQ(Redraws(), 2);
  EXPECT_EQ(current.Texts().artist, "");
  EXPECT_EQ(Texts(event_type::CoverCaption).back(), "");
  watcher->Pass();  // empty times: fetch again
  EXPECT_EQ(song_requests, 3);
}

TEST_F(SongWatcherTest, TheCountdownIsPostedOnlyWhenItsTextChanges) {
  answer = kFirst;
  watcher->Begin();
  watcher->Pass();
  watcher->Pass();  // same clock, same text
  watcher->Pass();
  EXPECT_EQ(Texts(event_type::TimeLeft).size(), 1u);
  clock += 1;
  watcher->Pass();
  EXPECT_EQ(Texts(event_type::TimeLeft), (std::vector<std::string>{"04 : 09", "04 : 08"}));
}

TEST_F(SongWatcherTest, WithoutAServerTimeNothingIsFetchedAndNoCountdownShows) {
  clock = kNoTime;
  answer = kFirst;
  watcher->Begin();
  for (int i = 0; i < 3; ++i) watcher->Pass();
  EXPECT_EQ(song_requests, 0);
  EXPECT_EQ(time_requests, 4);
  EXPECT_TRUE(posted.empty());
}

TEST_F(SongWatcherTest, TheCaptionLosesSpacesButNotTabs) {
  answer = Song("T", "A", "\t Album \t", "", "");
  watcher->Begin();
  watcher->Pass();
  EXPECT_EQ(Texts(event_type::CoverCaption), std::vector<std::string>{"\t Album \t"});
  answer = Song("T", "A", "   ", "", "");
  watcher->Pass();
  EXPECT_EQ(Texts(event_type::CoverCaption).back(), "");
}

}  // namespace
}  // namespace sp
