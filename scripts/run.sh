#!/usr/bin/env bash
# Sets up, builds and runs stationplayer against the bundled station simulator on
# 127.0.0.1, so it works offline. Without a display it runs under Xvfb for a while
# and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
build="$root/build/release"
"$root/scripts/build.sh" "$build"

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

sim="$build/tools/station-sim/stationplayer-sim"
if [ -x "$sim" ]; then
  "$sim" &
  pids+=($!)
  sleep 0.5
fi

if [ -z "${DISPLAY:-}" ]; then
  out="$root/out"
  mkdir -p "$out"
  n=77
  while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
  Xvfb :$n -screen 0 1280x800x24 -nolisten tcp &
  pids+=($!)
  sleep 1
  DISPLAY=:$n "$build/src/stationplayer" &
  pids+=($!)
  echo "No display: running under Xvfb for 20 seconds..."
  sleep 20
  DISPLAY=:$n import -window root -crop 760x220+0+0 "$out/screenshot.png"
  echo "Screenshot saved to $out/screenshot.png"
else
  "$build/src/stationplayer"
fi
