// The station's song lists that several end-to-end tests play.
#pragma once

#include <nlohmann/json.hpp>

namespace e2e {

// "Low Tide Roller" by Kelp Circuit (Night Harbour), `first_length` seconds from
// 2026-12-07 20:59:50, then "Shallows" by Tidal Bore (Slack Water) for ten minutes; the
// station's clock at 21:00:00, running at `speed` (0: standing until a test moves it).
inline nlohmann::json TwoSongs(int first_length, double speed) {
  return {{"clock", {{"now", "2026-12-07 21:00:00"}, {"speed", speed}}},
          {"playlist_start", "2026-12-07 20:59:50"},
          {"stream_lag", 42},
          {"songs",
           {{{"title", "Low Tide Roller"},
             {"artist", "Kelp Circuit"},
             {"album", "Night Harbour"},
             {"length", first_length}},
            {{"title", "Shallows"},
             {"artist", "Tidal Bore"},
             {"album", "Slack Water"},
             {"length", 600}}}}};
}

}  // namespace e2e
