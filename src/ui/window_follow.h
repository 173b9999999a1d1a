// The follow rule of the two windows as plain decisions: which stored position a
// reported move updates, and where the partner of a docked, open cover window goes.
//
// Under X11 every move the program asks for is reported back later, when the other
// window may already have moved on, and one change may be reported more than once.
// The rule therefore remembers where it sent each window and where each was last
// seen: a report of a place it was sent to is that move's echo, a report of the
// place it was last seen at is no move, and neither leads. Only a report of a new
// place the program did not ask for (the user's drag, the window manager) makes
// that window the leader. See docs/notes/docking.md.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "platform/geometry.h"
#include "platform/ids.h"

namespace sp {

class WindowFollow {
 public:
  struct Report {
    WindowId window = WindowId::None;
    Point position;  // where the window is now, as the platform reads it
    // A size message: the window leads even from a place it was sent to.
    bool size = false;
  };
  struct Situation {
    bool docked_open = false;     // cWindDock and cWinOpen are both 1
    bool main_minimized = false;  // its position may be a parking place
    // Where the partner of the reporting window stands, if known.
    std::optional<Point> partner;
  };
  struct Move {
    WindowId window = WindowId::None;
    Point to;
    friend bool operator==(const Move&, const Move&) = default;
  };
  struct Plan {
    std::optional<Point> main;   // new WindowX, WindowY
    std::optional<Point> cover;  // new cWinX, cWinY
    std::optional<Move> move;    // the partner to move; already expected
  };

  // Decides what a reported move means. A move in the plan is already remembered as
  // sent, so its report (which may come at once, from inside the move) is an echo.
  Plan Moved(const Report& report, const Situation& situation);
  // The program moves a window itself (opening, start-up): its report is an echo.
  void Sent(WindowId window, Point to);
  // The user takes hold of the window: what it reports from now on is its own lead.
  void Released(WindowId window);
  void Clear();

  // Moves asked for and not yet reported, oldest first.
  const std::deque<Point>& Pending(WindowId window) const;

 private:
  // A window manager that never reports a move must not make the list grow for ever.
  static constexpr std::size_t kMaxPending = 64;

  struct Track {
    std::deque<Point> pending;  // sent, not yet reported, oldest first
    std::optional<Point> seen;  // the last place reported
  };
  Track& TrackOf(WindowId window);

  Track main_;
  Track cover_;
};

}  // namespace sp
