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
tmp=$(mktemp -d)
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

# The program looks for its station where it was built to; the simulator's default port
# is that one. Start the program only once the simulator listens.
sim="$build/tools/station-sim/stationplayer-sim"
"$sim" >"$tmp/sim.out" 2>"$tmp/sim.err" &
pids+=($!)
for _ in $(seq 100); do
  grep -q '^listening on' "$tmp/sim.out" && break
  if ! kill -0 "${pids[0]}" 2>/dev/null; then
    reason=$(head -n 1 "$tmp/sim.err")
    echo "run.sh: the bundled station did not start, so the player would have nothing to play: ${reason#stationplayer-sim: }" >&2
    exit 1
  fi
  sleep 0.1
done
echo "Station simulator: $(head -n 1 "$tmp/sim.out")"

if [ -z "${DISPLAY:-}" ]; then
  out="$root/out"
  mkdir -p "$out"
  # Xvfb picks a free display number itself and reports it.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
  display=":$(head -n 1 "$tmp/display")"
  DISPLAY=$display "$build/src/stationplayer" &
  pids+=($!)
  echo "No display: running under Xvfb for 20 seconds..."
  sleep 20
  DISPLAY=$display import -window root -crop 760x220+0+0 "$out/screenshot.png"
  echo "Screenshot saved to $out/screenshot.png"
else
  "$build/src/stationplayer"
fi
