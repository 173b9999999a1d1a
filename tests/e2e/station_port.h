// The port the program under test is built to find its station on, taken from the
// build's API address; the tests that need the station run the simulator there.
#pragma once

namespace e2e {

inline constexpr char kStationPort[] = E2E_STATION_PORT;

}  // namespace e2e
