#include "player/stream_watch.h"

#include <algorithm>
#include <any>
#include <chrono>
#include <optional>

#include "platform/controls.h"
#include "platform/events.h"
#include "platform/ui.h"
#include "player/player_commands.h"
#include "player/stream_keeper.h"

namespace sp {
namespace {

using Clock = std::chrono::steady_clock;

struct Watch {
  ControlId view = ControlId::None;
  StreamClock now = Clock::now;
  std::optional<StreamKeeper> keeper;
  StreamStatus status = StreamStatus::Stopped;
  void (*listener)(StreamStatus) = nullptr;
  std::optional<Clock::time_point> timer_due;
};

Watch& State() {
  static Watch watch;
  return watch;
}

StreamStatus StatusOf(StreamKeeper::State state) {
  switch (state) {
    case StreamKeeper::State::Playing:
      return StreamStatus::Playing;
    case StreamKeeper::State::Paused:
      return StreamStatus::Paused;
    case StreamKeeper::State::Connecting:
    case StreamKeeper::State::Waiting:
      break;
  }
  return StreamStatus::Stopped;
}

void OnTimer();

// Carries out the keeper's decision, tells a change of status, and makes sure the timer
// fires no later than the keeper's next deadline.
void Settle(StreamKeeper::Action action) {
  Watch& w = State();
  switch (action) {
    case StreamKeeper::Action::Reload:
      ui::RunWebViewScript(w.view, PlayerCommandScript(PlayerCommand::Reload));
      break;
    case StreamKeeper::Action::Pause:
      ui::RunWebViewScript(w.view, PlayerCommandScript(PlayerCommand::Pause));
      break;
    case StreamKeeper::Action::None:
      break;
  }
  const StreamStatus status = StatusOf(w.keeper->state());
  if (status != w.status) {
    w.status = status;
    if (w.listener) w.listener(status);
  }
  const auto deadline = w.keeper->Deadline();
  if (!deadline) {
    ui::StopTimer(TimerId::StreamKeeper);
    w.timer_due.reset();
    return;
  }
  // A timer due earlier fires, finds nothing to do and comes back here: the position
  // moves several times between two deadlines, and the timer need not follow each move.
  if (w.timer_due && *w.timer_due <= *deadline) return;
  const auto delay = std::chrono::ceil<std::chrono::milliseconds>(*deadline - State().now());
  ui::StartTimer(TimerId::StreamKeeper, std::max(delay, std::chrono::milliseconds(0)), OnTimer);
  w.timer_due = *deadline;
}

void OnTimer() {
  State().timer_due.reset();
  Settle(State().keeper->OnTimer(State().now()));
}

void OnMediaEvent(const Event& event) {
  StreamKeeper& keeper = *State().keeper;
  const auto now = State().now();
  switch (event.type) {
    case event_type::MediaPlayRequested:
      return Settle(keeper.OnPlayRequested(now));
    case event_type::MediaPlaying:
      return Settle(keeper.OnPlaying(now));
    case event_type::MediaPaused:
      return Settle(keeper.OnPaused(now));
    case event_type::MediaEnded:
    case event_type::MediaError:
      return Settle(keeper.OnFailed(now));
    case event_type::MediaPosition:
      if (const auto* position = std::any_cast<double>(&event.data))
        Settle(keeper.OnPosition(now, *position));
      return;
    default:
      return;
  }
}

}  // namespace

void StartStreamWatch(ControlId view, StreamClock clock) {
  const ControlState* control = controls::Find(view);
  if (!control || control->kind != ControlKind::WebView) return;
  Watch& w = State();
  w = Watch{};
  w.view = view;
  w.now = clock;
  w.keeper.emplace(clock());
  for (const EventType type :
       {event_type::MediaPlayRequested, event_type::MediaPlaying, event_type::MediaPaused,
        event_type::MediaEnded, event_type::MediaError, event_type::MediaPosition})
    Bind(EventClass::Control, Num(control->window), Num(view), type, OnMediaEvent);
  Settle(StreamKeeper::Action::None);
}

void WatchStreamStatus(void (*listener)(StreamStatus)) {
  State().listener = listener;
  if (listener) listener(State().status);
}

void RunListenerCommand(ListenerCommand command) {
  Watch& w = State();
  if (!w.keeper) return;
  const auto now = State().now();
  switch (command) {
    case ListenerCommand::Play:
      return Settle(w.keeper->OnListenerPlay(now));
    case ListenerCommand::Pause:
      return Settle(w.keeper->OnListenerPause(now));
    case ListenerCommand::Toggle:
      return Settle(w.keeper->OnListenerToggle(now));
  }
}

}  // namespace sp
