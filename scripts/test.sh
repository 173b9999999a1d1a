#!/usr/bin/env bash
# Sets up, builds and runs every test: unit, integration and end-to-end tests (the
# Windows build's too, under Wine); a bounded fuzzing run of every parser of outside
# input; the unit and integration tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer; and the unit tests plus one end-to-end run under
# ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

# The Windows build first: its unit tests run under Wine, and the Linux build's
# end-to-end tests run it and its installer under Wine against the simulator.
windows="$root/build/windows"
"$root/scripts/build-windows.sh" "$windows"
(cd "$windows" && ctest --output-on-failure)

build="$root/build/ci"
# The newest installer build-windows.sh made, for the install test under Wine.
installer=$(ls -t "$windows"/stationplayer-*-win64.exe | head -n 1)
"$root/scripts/build.sh" "$build" -DSTATIONPLAYER_WINDOWS_EXE="$windows/src/stationplayer.exe" \
  -DSTATIONPLAYER_WINDOWS_INSTALLER="$installer"
(cd "$build" && ctest --output-on-failure -j2)

FUZZ_BUILD_DIR="$root/build/fuzz" "$root/scripts/fuzz.sh" 30

asan="$root/build/asan"
"$root/scripts/build.sh" "$asan" -DCMAKE_BUILD_TYPE=Debug -DSTATIONPLAYER_BUILD_GUI=OFF \
  -DSTATIONPLAYER_SANITIZE=address,undefined
(cd "$asan" && LSAN_OPTIONS="suppressions=$root/tests/lsan.supp" \
  ctest -L 'unit|integration' --output-on-failure -j2)

# Uninstrumented system libraries are suppressed (tests/tsan.supp); our code is not.
tsan="$root/build/tsan"
"$root/scripts/build.sh" "$tsan" -DCMAKE_BUILD_TYPE=Debug -DSTATIONPLAYER_SANITIZE=thread
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=1"
(cd "$tsan" && ctest -R 'NowPlayingE2ETest.ThePanelFollows' --output-on-failure)
(cd "$tsan" && ctest -L unit --output-on-failure -j2)
