#include "station/song_watcher.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/app_data.h"
#include "covers/cover_art.h"
#include "station/station_api.h"
#include "ui/countdown.h"

namespace sp {
namespace {

constexpr std::chrono::milliseconds kPause{750};

std::string TrimSpaces(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Shared by the GUI thread (which stops it) and the detached watcher thread.
struct StopSignal {
  std::atomic<bool> stop{false};
  std::mutex mutex;  // pairs with wake
  std::condition_variable wake;
};

SongWatcherDepsProvider deps_provider = DefaultSongWatcherDeps;

std::shared_ptr<StopSignal>& CurrentStop() {
  static std::shared_ptr<StopSignal> signal;
  return signal;
}

}  // namespace

void SongWatcher::Begin() {
  now_ = deps_.server_time();
}

void SongWatcher::Pass() {
  const api_current_song song = current_.Snapshot();
  const TimeValue ends = ParseApiTime(song.ends_at);
  const TimeValue starts = ParseApiTime(song.started_at);
  const bool over = ends + deps_.stream_lag <= now_ && starts + deps_.stream_lag < now_;
  if (over) {
    // The clock is held while we wait for the next song.
    RefreshCurrentSong();
  } else {
    now_ = deps_.server_time();
  }
  PostCountdown(now_);
}

void SongWatcher::RefreshCurrentSong() {
  api_current_song fetched;
  if (!deps_.fetch_song(deps_.station, fetched)) return;
  const api_current_song current = current_.Snapshot();
  if (fetched.artist.name == current.artist.name && fetched.album == current.album &&
      fetched.title == current.title)
    return;
  current_.Replace(fetched);
  const SharedSong* published = &current_;
  deps_.post(Event{EventClass::Control, Num(WindowId::Main), Num(ControlId::NowPlayingPanel),
                   event_type::RedrawRequest, published});
  deps_.post(Event{EventClass::App, Num(WindowId::Main), 0, event_type::CoverCaption,
                   TrimSpaces(fetched.album)});
  deps_.update_cover_art();
}

void SongWatcher::PostCountdown(TimeValue now) {
  // Without a server time there is nothing true to count down to; keep what shows.
  if (now == kNoTime) return;
  const std::int64_t remaining = ParseApiTime(current_.Snapshot().ends_at) + deps_.stream_lag - now;
  if (remaining < 0) return;
  std::string text = FormatCountdown(remaining);
  if (text == last_countdown_) return;
  // Remembered even if the post fails, so it is not offered again until it changes.
  last_countdown_ = text;
  deps_.post(Event{EventClass::App, Num(WindowId::Main), 0, event_type::TimeLeft, std::move(text)});
}

SongWatcherDeps DefaultSongWatcherDeps() {
  SongWatcherDeps deps;
  deps.station = AppData.MainStation;
  deps.stream_lag = StreamLag;
  deps.server_time = GetServerTime;
  deps.fetch_song = FetchCurrentSong;
  // Made here, on the GUI thread, like the rest, so the run never reads AppData.
  deps.update_cover_art = [cover = DefaultCoverArtDeps()] { UpdateCoverArt(cover); };
  deps.post = [](Event e) { return Posted().Post(std::move(e)); };
  return deps;
}

void SetSongWatcherDepsProvider(SongWatcherDepsProvider provider) {
  deps_provider = provider ? provider : DefaultSongWatcherDeps;
}

bool StartSongWatcher() {
  auto signal = std::make_shared<StopSignal>();
  // Made here, on the GUI thread, so the watcher never reads AppData.
  SongWatcherDeps deps = deps_provider();
  try {
    std::thread([signal, deps = std::move(deps)]() mutable {
      SongWatcher watcher(CurrentSong, std::move(deps));
      watcher.Begin();
      while (!signal->stop) {
        watcher.Pass();
        std::unique_lock lock(signal->mutex);
        signal->wake.wait_for(lock, kPause, [&] { return signal->stop.load(); });
      }
    }).detach();
  } catch (const std::system_error&) {
    return false;
  }
  CurrentStop() = std::move(signal);
  return true;
}

void StopSongWatcher() {
  if (auto& signal = CurrentStop()) {
    {
      std::lock_guard lock(signal->mutex);
      signal->stop = true;
    }
    signal->wake.notify_all();
  }
}

}  // namespace sp
