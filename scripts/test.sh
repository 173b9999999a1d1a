#!/usr/bin/env bash
# Sets up, builds and runs every test: unit, integration and end-to-end tests, then the
# unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

build="$root/build/ci"
"$root/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure -j2)

asan="$root/build/asan"
"$root/scripts/build.sh" "$asan" -DCMAKE_BUILD_TYPE=Debug -DSTATIONPLAYER_BUILD_GUI=OFF \
  -DSTATIONPLAYER_SANITIZE=address,undefined
(cd "$asan" && ctest -L unit --output-on-failure -j2)

# ThreadSanitizer: the unit tests, the watcher's among them.
tsan="$root/build/tsan"
"$root/scripts/build.sh" "$tsan" -DCMAKE_BUILD_TYPE=Debug -DSTATIONPLAYER_BUILD_GUI=OFF \
  -DSTATIONPLAYER_SANITIZE=thread
(cd "$tsan" && TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=1" \
  ctest -L unit --output-on-failure -j2)
