// Everything here runs on the GUI thread: the handlers are bound to events that the GUI
// thread dispatches, and the remote control calls back on it.
#include "app/remote_session.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/app_data.h"
#include "app/remote_track.h"
#include "app/startup.h"
#include "build_config.h"
#include "covers/cover_slots.h"
#include "platform/events.h"
#include "platform/image_store.h"
#include "platform/pictures.h"
#include "platform/remote_art.h"
#include "platform/remote_control.h"
#include "platform/ui.h"
#include "player/stream_watch.h"
#include "station/current_song.h"
#include "ui/countdown.h"

namespace sp {
namespace {

using Clock = std::chrono::steady_clock;

struct Session {
  std::uint64_t songs = 0;  // songs seen; each gets the next number
  api_current_song shown;   // the song last published
  remote::Track track;      // as published
  std::optional<RemoteArtFolder> art_folder;
  std::shared_ptr<const Image> art_picture;  // what the art file shows
  std::string art_url;                       // the art file
  std::optional<std::int64_t> countdown_s;   // the last "Time Left", in seconds
  Clock::time_point countdown_at;
};

Session& State() {
  static Session session;
  return session;
}

// Gives the art file the cover on show. Writes only when the picture changed, so a
// redraw while the pointer moves over the thumbnail costs nothing. True when the art
// address changed.
bool RefreshArt() {
  Session& s = State();
  if (!remote::Ready() || s.track.serial == 0) return false;
  const auto picture = images::Get(LargeCover.load());
  if (!picture || picture == s.art_picture) return false;
  s.art_picture = picture;  // tried once, whatever comes of it
  // A folder of its own: the cover list's entries, downloaded into the application
  // folder under their own names, can never contain a "/".
  if (!s.art_folder) s.art_folder.emplace(AppData.Preferences + "mpris");
  std::string url;
  if (const auto png = pictures::Encode(*picture, pictures::Format::Png)) {
    const std::string path = s.art_folder->Write(
        std::string_view(reinterpret_cast<const char*>(png->data()), png->size()));
    if (!path.empty()) url = FileUrl(path);
  }
  const bool changed = url != s.art_url;
  s.art_url = url;
  return changed;
}

// The watcher's RedrawRequest for the panel: a new song is on air.
void OnSongShown(const Event& event) {
  const auto* song = std::any_cast<const SharedSong*>(&event.data);
  if (!song || !*song) return;  // the start-up redraw carries no song
  Session& s = State();
  const api_current_song now = (*song)->Snapshot();
  // Two changes in quick succession post twice but leave one song to read.
  if (s.songs > 0 && now == s.shown) return;
  s.shown = now;
  s.track = BuildRemoteTrack(now, ++s.songs);
  s.countdown_s.reset();  // the last one counted down the previous song
  // The cover on show stays until the new one is installed, and it may never be.
  RefreshArt();
  if (s.track.serial != 0) s.track.art_url = s.art_url;
  remote::PublishTrack(s.track);
}

// The cover matcher installed a new cover (or the pointer moved over the thumbnail).
void OnCoverShown(const Event&) {
  if (!RefreshArt()) return;
  State().track.art_url = State().art_url;
  remote::PublishTrack(State().track);
}

void OnTimeLeft(const Event& event) {
  const auto* text = std::any_cast<std::string>(&event.data);
  if (!text) return;
  State().countdown_s = ParseCountdown(*text);
  State().countdown_at = Clock::now();
}

void OnStreamStatus(StreamStatus status) {
  switch (status) {
    case StreamStatus::Playing:
      remote::PublishPlayback(remote::Playback::Playing);
      break;
    case StreamStatus::Paused:
      remote::PublishPlayback(remote::Playback::Paused);
      break;
    case StreamStatus::Stopped:  // between tries to bring the stream back, or before it starts
      remote::PublishPlayback(remote::Playback::Stopped);
      break;
  }
}

void OnCommand(remote::Command command) {
  switch (command) {
    case remote::Command::Play:
      RunListenerCommand(ListenerCommand::Play);
      break;
    case remote::Command::Pause:
    case remote::Command::Stop:  // a live stream has no start to go back to
      RunListenerCommand(ListenerCommand::Pause);
      break;
    case remote::Command::PlayPause:
      RunListenerCommand(ListenerCommand::Toggle);
      break;
    case remote::Command::Raise:
      ui::PresentWindow(WindowId::Main);
      break;
    case remote::Command::Quit:
      ShutdownApp();  // as the close button does
  }
}

void OnReady() {
  OnCoverShown({});
}

std::int64_t PositionUs() {
  const Session& s = State();
  const std::chrono::duration<double> since = Clock::now() - s.countdown_at;
  return SongPositionUs(s.track.length_us, s.countdown_s, since.count());
}

}  // namespace

void StartRemoteSession() {
  State() = Session{};
  const auto main = Num(WindowId::Main);
  // Beside the panel's and the thumbnail's own handlers, which stay as they are.
  Bind(EventClass::Control, main, Num(ControlId::NowPlayingPanel), event_type::RedrawRequest,
       OnSongShown);
  Bind(EventClass::Control, main, Num(ControlId::CoverThumb), event_type::RedrawRequest,
       OnCoverShown);
  Bind(EventClass::App, main, 0, event_type::TimeLeft, OnTimeLeft);

  remote::Setup setup;
  setup.identity = kStationName;
  setup.desktop_entry = config::kAppId;
  setup.player_name = config::kProgramName;
  setup.on_command = OnCommand;
  setup.on_ready = OnReady;
  setup.position_us = PositionUs;
  remote::Start(setup);
  WatchStreamStatus(OnStreamStatus);
}

}  // namespace sp
