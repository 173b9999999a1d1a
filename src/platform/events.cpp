#include "platform/events.h"

#include <utility>

namespace sp {

void EventRouter::Bind(EventClass cls, std::int64_t window, std::int64_t control, EventType type,
                       Handler handler) {
  const std::int64_t c = Num(cls);
  for (const Binding& b : bindings_) {
    if (b.cls == c && b.window == window && b.control == control && b.type == type &&
        b.handler == handler)
      return;
  }
  bindings_.push_back({c, window, control, type, handler});
}

void EventRouter::Dispatch(const Event& event) const {
  const std::int64_t e = Num(event.cls), w = event.window, c = event.control, t = event.type;
  const std::int64_t keys[5][3] = {
      {w, c, t}, {w, c, kAny}, {w, kAny, kAny}, {kAny, kAny, kAny}, {kAny, c, t}};
  // Copy first: a handler may bind further handlers while we walk the list.
  const std::vector<Binding> snapshot = bindings_;
  for (const auto& key : keys) {
    for (auto it = snapshot.rbegin(); it != snapshot.rend(); ++it) {
      if (it->cls == e && it->window == key[0] && it->control == key[1] && it->type == key[2])
        it->handler(event);
    }
  }
}

void EventRouter::Clear() {
  bindings_.clear();
}

void PostQueue::SetWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

bool PostQueue::Post(Event event) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    const bool was_empty = queue_.empty();
    queue_.push_back(std::move(event));
    if (was_empty) wake = wake_;
  }
  if (wake) wake();
  return true;
}

bool PostQueue::Take(Event& out) {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return false;
  out = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

EventRouter& Router() {
  static EventRouter router;
  return router;
}

PostQueue& Posted() {
  static PostQueue queue;
  return queue;
}

void Bind(EventClass cls, std::int64_t window, std::int64_t control, EventType type,
          Handler handler) {
  Router().Bind(cls, window, control, type, handler);
}

bool Post(EventClass cls, std::int64_t window, std::int64_t control, EventType type,
          std::any data) {
  return Posted().Post(Event{cls, window, control, type, std::move(data)});
}

void Raise(const Event& event) {
  Router().Dispatch(event);
}

int DispatchPosted() {
  int count = 0;
  Event event;
  while (Posted().Take(event)) {
    Router().Dispatch(event);
    event = Event{};  // frees the data before the next one
    ++count;
  }
  return count;
}

}  // namespace sp
