#!/usr/bin/env bash
# Reports what the playing web view costs: PSS summed over the program and its WebKit
# helper processes, and their CPU use over a stretch of playback, for the program as
# built and with each web view setting it tried switched the other way (the test
# build's STATIONPLAYER_WEB_VIEW_TOGGLE switch). Figures to read, not a test.
# Usage: bench/webview_weight.sh [BUILD_DIR] [SECONDS] [RUNS]   (defaults: build, 30, 1)
# RUNS repeats the whole set, interleaved, since CPU figures drift between runs.
# Plays from the station simulator on 127.0.0.1:47810 (the port must be free); the sound
# goes to a private null sink.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/process_tree.sh"
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-30}
runs=${3:-1}
settle=8  # start-up, first load and the stream's buffering stay out of the figures

program="$build/src/stationplayer"
variant="$build/src/stationplayer-faults"
sim="$build/tools/station-sim/stationplayer-sim"
for f in "$program" "$variant" "$sim"; do
  [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start() {  # start LOG COMMAND...: runs a helper in the background
  local log=$1
  shift
  "$@" >"$work/$log" 2>&1 &
  pids+=($!)
}

display=:$((300 + RANDOM % 200))
start xvfb.log Xvfb "$display" -screen 0 1280x800x24 -dpi 96 -nolisten tcp
start bus.log dbus-daemon --session --nofork --address="unix:path=$work/bus"
mkdir -m 700 "$work/runtime"
mkdir "$work/pulse-home"
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
export PULSE_SERVER="unix:$work/runtime/pulse/native"
XDG_RUNTIME_DIR="$work/runtime" HOME="$work/pulse-home" start pulse.log \
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  --load="module-null-sink sink_name=t" --load="module-native-protocol-unix auth-anonymous=1"
for _ in $(seq 100); do HOME="$work/pulse-home" pactl info >/dev/null 2>&1 && break; sleep 0.1; done
HOME="$work/pulse-home" pactl set-default-sink t

start stream.log "$sim" --port 47810
source="station simulator"
sleep 1

# The sink's level over one second, as a fraction of full scale: proof that it plays.
level() {
  HOME="$work/pulse-home" sh -c "parec -d t.monitor --raw --format=s16le --rate=44100 \
    --channels=2 2>/dev/null | head -c 176400" >"$work/level.raw"
  sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/level.raw" -n stat 2>&1 |
    awk '/RMS +amplitude/ { printf "%.3f", $3 }'
}

measure() {  # measure NAME EXE [TOGGLE]: one run, one line of figures
  local name=$1 exe=$2 toggle=${3:-}
  local home="$work/home-$RANDOM"
  mkdir -p "$home"
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_DATA_HOME=$home/.local/share DISPLAY=$display NO_AT_BRIDGE=1 \
    STATIONPLAYER_WEB_VIEW_TOGGLE=$toggle "$exe" >"$home/log" 2>&1 &
  local pid=$!
  sleep "$settle"
  local before after
  before=$(tree_cpu_seconds "$pid")
  sleep "$seconds"
  after=$(tree_cpu_seconds "$pid")
  printf "%-34s %5d %9s %8s %8s\n" "$name" "$(tree_pids "$pid" | wc -l)" "$(tree_pss_mib "$pid")" \
    "$(awk -v a="$after" -v b="$before" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * (a - b) / s }')" \
    "$(level)"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  sleep 1  # let the helper processes go
}

echo "stream: $source; $seconds s of playback after $settle s; CPU in % of one core;"
echo "level: RMS at the sink (the page plays at volume 0.3)"
printf "%-34s %5s %9s %8s %8s\n" "configuration" "procs" "PSS MiB" "CPU %" "level"
for _ in $(seq "$runs"); do
  measure "program as built" "$program"
  measure "all at WebKit's defaults" "$variant" software_rendering,ephemeral
  for setting in software_rendering ephemeral; do
    measure "without $setting" "$variant" "$setting"
  done
  for setting in small_caches memory_pressure jit_off; do
    measure "with $setting" "$variant" "$setting"
  done
done
