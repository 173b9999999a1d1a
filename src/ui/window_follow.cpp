#include "ui/window_follow.h"

#include <algorithm>
#include <utility>

#include "ui/docking.h"

namespace sp {

WindowFollow::Track& WindowFollow::TrackOf(WindowId window) {
  return window == WindowId::Main ? main_ : cover_;
}

const std::deque<Point>& WindowFollow::Pending(WindowId window) const {
  return (window == WindowId::Main ? main_ : cover_).pending;
}

WindowFollow::Plan WindowFollow::Moved(const Report& report, const Situation& situation) {
  Plan plan;
  const WindowId window = report.window;
  if (window != WindowId::Main && window != WindowId::Cover) return plan;
  // A minimised main window may be parked out of sight; keep where it was last shown.
  if (window == WindowId::Main && situation.main_minimized) return plan;

  Track& track = TrackOf(window);
  const std::optional<Point> seen = std::exchange(track.seen, report.position);
  if (!report.size) {
    const auto echo = std::find(track.pending.begin(), track.pending.end(), report.position);
    if (echo != track.pending.end()) {
      // Requests are carried out in order: everything before this one is done too.
      // The stored position already holds the latest request.
      track.pending.erase(track.pending.begin(), echo + 1);
      return plan;
    }
    if (seen == report.position) return plan;  // the same change reported again
  }
  track.pending.clear();

  const bool main_leads = window == WindowId::Main;
  (main_leads ? plan.main : plan.cover) = report.position;
  if (!situation.docked_open || situation.main_minimized) return plan;

  const WindowId partner = main_leads ? WindowId::Cover : WindowId::Main;
  const Point target =
      main_leads ? DockedCoverAt(report.position) : MainBesideCover(report.position);
  (main_leads ? plan.cover : plan.main) = target;

  // Already there, or on its way there: asking again would only add another echo.
  const std::deque<Point>& partner_pending = TrackOf(partner).pending;
  const bool arriving =
      partner_pending.empty() ? situation.partner == target : partner_pending.back() == target;
  if (!arriving) {
    Sent(partner, target);
    plan.move = Move{partner, target};
  }
  return plan;
}

void WindowFollow::Sent(WindowId window, Point to) {
  if (window != WindowId::Main && window != WindowId::Cover) return;
  std::deque<Point>& pending = TrackOf(window).pending;
  pending.push_back(to);
  if (pending.size() > kMaxPending) pending.pop_front();
}

void WindowFollow::Released(WindowId window) {
  if (window == WindowId::Main || window == WindowId::Cover) TrackOf(window).pending.clear();
}

void WindowFollow::Clear() {
  main_ = {};
  cover_ = {};
}

}  // namespace sp
