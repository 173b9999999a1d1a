#!/usr/bin/env bash
# Sets up, builds and runs stationplayer against the bundled station simulator on
# 127.0.0.1, so it works offline. Without a display it runs under Xvfb for a while,
# saves a screenshot and says whether the station could be heard: where no sound
# server runs either, a private one with a null sink stands in for the speakers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Only what the program and the simulator need, without recommended extras: the tests'
# packages come with scripts/test.sh.
"$root/scripts/setup.sh" --no-recommends packages-run.txt
build="$root/build/release"
# Optimised without debug information, which takes a third of the compiler's time.
BUILD_TARGETS=program-and-station "$root/scripts/build.sh" "$build" -DBUILD_TESTING=OFF \
  -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"

pids=()
tmp=$(mktemp -d)
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() {
  echo "run.sh: $*" >&2
  exit 1
}

# The program looks for its station where it was built to; the simulator's default port
# is that one. Start the program only once the simulator listens.
sim="$build/tools/station-sim/stationplayer-sim"
"$sim" >"$tmp/sim.out" 2>"$tmp/sim.err" &
pids+=($!)
for _ in $(seq 100); do
  grep -q '^listening on' "$tmp/sim.out" && break
  if ! kill -0 "${pids[0]}" 2>/dev/null; then
    reason=$(head -n 1 "$tmp/sim.err")
    fail "the bundled station did not start, so the player would have nothing to play: ${reason#stationplayer-sim: }"
  fi
  sleep 0.1
done
echo "Station simulator: $(head -n 1 "$tmp/sim.out")"

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/src/stationplayer"
fi

# No display: a private X server (it picks a free display number itself and reports it)
# and a private session bus, so that nothing starts a bus of its own through X11 and
# outlives the run.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || fail "the virtual display (Xvfb) did not start: $(tail -n 1 "$tmp/xvfb.log")"
export DISPLAY=":$(head -n 1 "$tmp/display")"
dbus-daemon --session --nofork --address="unix:path=$tmp/bus" >"$tmp/bus.log" 2>&1 &
pids+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/bus"

# The sound server the program will meet: the user's own when one answers, else a
# private one whose null sink takes the sound in place of a sound card.
monitor=@DEFAULT_MONITOR@
if ! pactl info >/dev/null 2>&1; then
  mkdir -m 700 "$tmp/runtime"
  mkdir "$tmp/pulse-home"
  export PULSE_SERVER="unix:$tmp/runtime/pulse/native"
  XDG_RUNTIME_DIR="$tmp/runtime" HOME="$tmp/pulse-home" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --load="module-null-sink sink_name=speakers" \
    --load="module-native-protocol-unix auth-anonymous=1" >"$tmp/pulse.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl set-default-sink speakers >/dev/null 2>&1 ||
    fail "the private sound server did not start: $(tail -n 1 "$tmp/pulse.log")"
  monitor=speakers.monitor
fi

seconds=20
# The sound library's complaints go to a log: a real problem is said below in one line.
"$build/src/stationplayer" >"$tmp/program.log" 2>&1 &
program=$!
pids+=("$program")
echo "No display: running under Xvfb for $seconds seconds..."

# Listen for three seconds once the stream has had time to start (it starts within
# about a second; the rest is the web engine's buffering).
sleep 10
rate=44100
parec -d "$monitor" --raw --format=s16le --rate=$rate --channels=2 2>/dev/null |
  head -c $((2 * 2 * rate * 3)) >"$tmp/sound.raw" &
recorder=$!
sleep $((seconds - 10))
kill -0 "$program" 2>/dev/null ||
  fail "the player ended early; its last message: $(tail -n 1 "$tmp/program.log")"
out="$root/out"
mkdir -p "$out"
import -display "$DISPLAY" -window root -crop 760x220+0+0 "$out/screenshot.png"
echo "Screenshot saved to $out/screenshot.png"

# The recorder stops itself after three seconds of sound; a null sink that got no stream
# delivers nothing, so it may still wait.
for _ in $(seq 20); do kill -0 "$recorder" 2>/dev/null || break; sleep 0.1; done
kill "$recorder" 2>/dev/null || true
level=0
if [ -s "$tmp/sound.raw" ]; then
  level=$(sox -t raw -r $rate -e signed -b 16 -c 2 "$tmp/sound.raw" -n stat 2>&1 |
    awk '/^RMS +amplitude/ {print $3}')
fi
if awk -v l="${level:-0}" 'BEGIN {exit !(l >= 0.01)}'; then
  printf 'sound: playing, level %.2f\n' "$level"
else
  echo "sound: silent, the station could not be heard (level ${level:-0})"
fi
