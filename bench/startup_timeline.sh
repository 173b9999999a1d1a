#!/usr/bin/env bash
# From launch to sound: for each build given, the time from launch to each step of
# start-up (toolkit up, fonts, built-in pictures, preferences read, web view created, blank
# document complete, page set, window mapped, watcher started), to the engine's helper
# processes started, to the stream requested from the simulator and to the first audio
# at the null sink. In the same run, the same for a GTK radio player from Debian
# (Goodvibes, installed here if missing: a peer to compare with, nothing of the program
# needs it) and the floor, gst-launch-1.0 playbin on the same stream. Medians of RUNS
# launches with their range, in milliseconds. Figures to read, not a test.
#
# Usage: bench/startup_timeline.sh [RUNS] [BUILD_DIR...]   (defaults: 5, build)
#   Give an older build beside the current one to compare them in one run; the launches
#   of all rows are interleaved, since the machine's load drifts.
#
# The program's own steps come from its test build (stationplayer-faults), which writes
# them when STATIONPLAYER_TIMELINE is set; the program as shipped writes nothing.
# Launch: the wall clock just before the launch. Stream requested: the simulator's log.
# First audio: the first sample above 64 (of 32767) that a recorder on the null sink's
# monitor reads, 10 ms of latency asked. Helpers started: the start time of the web and
# network processes (10 ms steps of the kernel's clock). Every launch gets a fresh home,
# so no row finds anything of a previous one, but for GStreamer's plugin registry.
#
# Runs in a private network namespace and /tmp of its own, like bench/webview_weight.sh.
set -euo pipefail
if [ "${STARTUP_TIMELINE_PRIVATE:-}" != 1 ]; then
  command -v goodvibes >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q goodvibes >/dev/null ||
    echo "goodvibes could not be installed: its row is left out" >&2
  exec unshare -n -m --propagation private env STARTUP_TIMELINE_PRIVATE=1 \
    bash -c 'ip link set lo up && mount -t tmpfs tmpfs /tmp && exec "$0" "$@"' "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/process_tree.sh"
. "$here/bench_common.sh"
runs=${1:-5}
shift $(($# < 1 ? $# : 1))
builds=()
for b in "${@:-$here/../build}"; do builds+=("$(cd "$b" && pwd)"); done

for b in "${builds[@]}"; do
  [ -x "$b/src/stationplayer-faults" ] || { echo "missing $b/src/stationplayer-faults" >&2; exit 1; }
done
sim="${builds[0]}/tools/station-sim/stationplayer-sim"
[ -x "$sim" ] || { echo "missing $sim: build first" >&2; exit 1; }
station_of "${builds[0]}"


# shellcheck source=bench/private_session.sh
source "$here/private_session.sh"
start_private_session
start stream.log "$sim" --port "$port"
for _ in $(seq 100); do curl -sf "$control/requests" >/dev/null && break; sleep 0.1; done

# GStreamer's plugin registry, as any listener's cache holds it after the first
# playback: without it every launch would begin with a scan of all plugins. Each
# launch starts with the registry the previous one left (the web engine adds plugins of
# its own), and a first round of launches, not counted, fills it.
XDG_CACHE_HOME="$work/gst-cache" gst-inspect-1.0 >/dev/null 2>&1 || true

# Prints the wall clock of the first sound at the sink, or nothing within 20 s.
listen() {
  HOME="$work/pulse-home" timeout 20 sh -c "parec -d t.monitor --raw --format=s16le \
    --rate=44100 --channels=2 --latency-msec=10 2>/dev/null | perl -MTime::HiRes=time -e '
      binmode STDIN; \$| = 1;
      while (sysread(STDIN, my \$b, 1764)) {
        for (unpack(\"s<*\", \$b)) { if (abs(\$_) > 64) { printf \"%.6f\n\", time; exit } }
      }'" || true
}

# Start of PID in seconds since boot, as the kernel counts (clock ticks).
started_at() {
  awk -v hz="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); printf "%.3f", $20 / hz }' \
    /proc/"$1"/stat 2>/dev/null
}

# launch ROW KIND COMMAND...: one launch; appends "ROW STEP MS" lines to $results.
launch() {
  local name=$1 kind=$2
  shift 2
  local home="$work/home-$RANDOM$RANDOM"
  mkdir -p "$home/.cache"
  cp -r "$work/gst-cache/gstreamer-1.0" "$home/.cache/"
  [ "$kind" = goodvibes ] && goodvibes_home "$home"
  curl -sf -X DELETE "$control/requests" >/dev/null
  listen >"$work/sound" &
  local listener=$!
  sleep 0.3  # the recorder is reading before the launch
  local up0 t0 pid
  up0=$(cut -d' ' -f1 /proc/uptime)
  t0=$EPOCHREALTIME
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_DATA_HOME=$home/.local/share DISPLAY=$display NO_AT_BRIDGE=1 \
    GSETTINGS_BACKEND=keyfile STATIONPLAYER_TIMELINE=1 "$@" >"$home/log" 2>&1 &
  pid=$!
  wait "$listener" || true
  sleep 0.5  # the helpers' start and the last steps, should the sound come first
  local p role
  for p in $(tree_pids "$pid"); do
    case $(cat /proc/"$p"/comm 2>/dev/null) in
      WebKitWebProces*) role="web process started" ;;
      WebKitNetworkPr*) role="network process started" ;;
      *) continue ;;
    esac
    echo "$name|$role|$(awk -v s="$(started_at "$p")" -v u="$up0" 'BEGIN { printf "%.0f", (s - u) * 1000 }')"
  done >>"$results"
  stop_tree "$pid" || echo "$name: it had ended" >&2
  sleep 0.5
  cp -r "$home/.cache/gstreamer-1.0" "$work/gst-cache/"
  {
    awk '$1 == "timeline" { t = $2; $1 = $2 = ""; sub(/^ +/, ""); if (!($0 in seen)) {
      seen[$0] = 1; print $0 "|" t } }' "$home/log"
    curl -sf "$control/requests" |
      jq -r '[.requests[] | select(.path | startswith("/stream/"))][0].time // empty |
        "stream requested|\(.)"'
    [ -s "$work/sound" ] && echo "first audio at the sink|$(cat "$work/sound")"
  } | awk -F'|' -v n="$name" -v t0="$t0" '{ printf "%s|%s|%.0f\n", n, $1, ($2 - t0) * 1000 }' \
    >>"$results"
  rm -rf "$home"
}

rows=()
for b in "${builds[@]}"; do
  label="$(basename "$b")"
  [ "${#builds[@]}" -gt 1 ] || label="program"
  rows+=("$label")
done
: >"$work/results"
for round in $(seq 0 "$runs"); do
  results="$work/results"
  [ "$round" -gt 0 ] || results=/dev/null
  # Each round starts with another row, so that no row always follows the same one.
  order=()
  for i in "${!builds[@]}"; do order+=("b$i"); done
  command -v goodvibes >/dev/null && order+=(goodvibes)
  order+=(floor)
  shift_by=$((round % ${#order[@]}))
  order=("${order[@]:shift_by}" "${order[@]:0:shift_by}")
  for row in "${order[@]}"; do
    case $row in
      b*) launch "${rows[${row#b}]}" program "${builds[${row#b}]}/src/stationplayer-faults" ;;
      goodvibes) launch goodvibes goodvibes goodvibes ;;
      floor) launch "floor: playbin" floor gst-launch-1.0 -q playbin "uri=$stream_url" ;;
    esac
  done
done

echo "stream: station simulator, $stream_url in a private network namespace;"
echo "ms from launch, median of $runs launches [min-max]; - : never reached or not this program's"
steps=("toolkit up" "fonts" "built-in pictures" "preferences read" "web process started"
  "network process started" "web view created" "blank document complete" "page set"
  "window mapped" "watcher started" "stream requested" "first audio at the sink")
all_rows=("${rows[@]}")
command -v goodvibes >/dev/null && all_rows+=(goodvibes)
all_rows+=("floor: playbin")
perl -e '
  my ($file, $rows, @steps) = @ARGV;
  my @rows = split /\n/, $rows;
  my %v;
  open(my $f, "<", $file) or die;
  while (<$f>) { chomp; my ($r, $s, $ms) = split /\|/; push @{$v{$r}{$s}}, $ms }
  printf "%-26s", "step";
  printf " %17s", substr($_, 0, 17) for @rows;
  print "\n";
  for my $s (@steps) {
    printf "%-26s", $s;
    for my $r (@rows) {
      my @x = sort { $a <=> $b } @{$v{$r}{$s} // []};
      if (!@x) { printf " %17s", "-"; next }
      my $m = @x % 2 ? $x[$#x / 2] : ($x[@x / 2 - 1] + $x[@x / 2]) / 2;
      printf " %17s", sprintf("%.0f [%d-%d]", $m, $x[0], $x[-1]);
    }
    print "\n";
  }' "$work/results" "$(printf '%s\n' "${all_rows[@]}")" "${steps[@]}"
