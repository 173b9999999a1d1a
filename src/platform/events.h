// Events, handler binding and routing. Plain C++: the backend only feeds raised
// events in and wakes the GUI thread when something was posted.
#pragma once

#include <any>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/ids.h"

namespace sp {

struct Event {
  EventClass cls = EventClass::Control;
  std::int64_t window = 0;
  std::int64_t control = 0;
  EventType type = 0;
  // Empty means "no data". Texts travel as std::string and are owned by the
  // event, so the receiver frees them simply by letting the event go.
  std::any data;
};

using Handler = void (*)(const Event&);

// Handlers keyed by (class, window, control, type); -1 stands for "any".
class EventRouter {
 public:
  // Binding the same handler twice under one key is ignored.
  void Bind(EventClass cls, std::int64_t window, std::int64_t control, EventType type,
            Handler handler);
  // Runs the handlers of (e,w,c,t), (e,w,c,any), (e,w,any,any), (e,any,any,any),
  // (e,any,c,t) in that order; newest-bound first under one key.
  void Dispatch(const Event& event) const;
  void Clear();

 private:
  struct Binding {
    std::int64_t cls, window, control, type;
    Handler handler;
  };
  std::vector<Binding> bindings_;  // in binding order
};

// Events posted from any thread, taken by the GUI thread in order.
class PostQueue {
 public:
  // Called (under no lock) when the queue turns non-empty, so the backend can wake
  // the GUI thread. Any thread.
  void SetWake(std::function<void()> wake);
  // Any thread. Returns true when the event was queued.
  bool Post(Event event);
  // GUI thread: takes the oldest event, if any.
  bool Take(Event& out);

 private:
  std::mutex mutex_;  // guards queue_ and wake_
  std::deque<Event> queue_;
  std::function<void()> wake_;
};

// The program's one router and one queue.
EventRouter& Router();
PostQueue& Posted();

void Bind(EventClass cls, std::int64_t window, std::int64_t control, EventType type,
          Handler handler);
inline void Bind(EventClass cls, WindowId window, ControlId control, EventType type,
                 Handler handler) {
  Bind(cls, Num(window), Num(control), type, handler);
}
// Any thread. Returns true when the event was queued for the GUI thread.
bool Post(EventClass cls, std::int64_t window, std::int64_t control, EventType type,
          std::any data = {});
// GUI thread: raises an event now (used by the backend for control input).
void Raise(const Event& event);
// GUI thread: dispatches everything posted so far, in order; returns how many.
int DispatchPosted();

}  // namespace sp
