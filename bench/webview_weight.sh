#!/usr/bin/env bash
# What playing costs: for the program and each of its WebKit helper processes, PSS,
# anonymous memory, CPU and wake-ups while playing, the time to the window mapped and to
# the first stream request, the level at the sink (proof that it plays), and, in the same
# run, a floor row: gst-launch-1.0 playbin playing the same stream into the same null
# sink. Figures to read, not a test.
#
# Usage: bench/webview_weight.sh [BUILD_DIR] [SECONDS] [RUNS] [ROWS...]
#   (defaults: build, 30, 1). Each extra ROW is either a comma-separated list of web view
#   setting names (see ReadTuning in src/platform/gtk/gtk_webview.cpp): the test build
#   with those settings switched the other way; or @PATH: another build of the program
#   (an older one, say, to compare in one run). RUNS repeats the whole set, interleaved,
#   since CPU figures drift between runs; compare rows of one run only.
#
# Wake-ups/s: the growth of the third field of /proc/PID/task/*/schedstat (time slices
# run on a CPU) summed over every thread. Each wake-up starts a slice, and so does each
# return after preemption, so it is an upper bound on wake-ups; threads that end during
# the window are not counted.
#
# bench/webview_weight.sh [BUILD_DIR] [SECONDS] profile: instead, records a CPU profile
# (perf, call graphs by frame pointer) of the playing web and network processes over
# SECONDS and prints the wake-ups per thread and the top of each profile by thread, by
# library and by symbol.
#
# Runs in a private network namespace of its own, so the simulator takes the station's
# port there and never the machine's, and with a private /tmp, so its X server's display
# number and sockets meet no other; the sound goes to a private null sink. (A copy of
# this script kept in /tmp cannot run: the private /tmp hides it.)
set -euo pipefail
if [ "${WEBVIEW_WEIGHT_PRIVATE:-}" != 1 ]; then
  exec unshare -n -m --propagation private env WEBVIEW_WEIGHT_PRIVATE=1 \
    bash -c 'ip link set lo up && mount -t tmpfs tmpfs /tmp && exec "$0" "$@"' "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/process_tree.sh"
. "$here/bench_common.sh"
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-30}
runs=${3:-1}
shift $(($# < 3 ? $# : 3))
toggle_sets=("$@")
settle=8  # start-up, first load and the stream's buffering stay out of the figures

program="$build/src/stationplayer"
variant="$build/src/stationplayer-faults"
sim="$build/tools/station-sim/stationplayer-sim"
for f in "$program" "$variant" "$sim"; do
  [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
station_of "$build"


# shellcheck source=bench/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"
start_private_session

start stream.log "$sim" --port "$port"
for _ in $(seq 100); do curl -sf "$control/requests" >/dev/null && break; sleep 0.1; done

# The sink's level over one second, as a fraction of full scale: proof that it plays.
level() {
  HOME="$work/pulse-home" sh -c "parec -d t.monitor --raw --format=s16le --rate=44100 \
    --channels=2 2>/dev/null | head -c 176400" >"$work/level.raw"
  sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/level.raw" -n stat 2>&1 |
    awk '/RMS +amplitude/ { printf "%.3f", $3 }'
}

# MiB the tree of $1 would hold with no other program on the machine sharing its pages:
# its private memory plus, for each file or shared segment, the most that any one of its
# processes maps of it (the processes map much the same pages of each library). An
# estimate, steady however many other programs run, unlike PSS.
solo_mib() {
  tree_pids "$1" | perl -e '
    while (my $p = <STDIN>) {
      chomp $p;
      open(my $f, "<", "/proc/$p/smaps") or next;
      my ($name, %shared);
      while (<$f>) {
        if (/^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(.*)$/) { $name = $1 eq "" ? "[anon]" : $1 }
        elsif (/^Private_(?:Clean|Dirty):\s+(\d+)/) { $own += $1 }
        elsif (/^Shared_(?:Clean|Dirty):\s+(\d+)/) { $shared{$name} += $1 }
      }
      for (keys %shared) { $most{$_} = $shared{$_} if ($most{$_} // 0) < $shared{$_} }
    }
    $own += $_ for values %most;
    printf "%.1f", $own / 1024;'
}

role_of() {  # role_of ROOT PID: "program" for the tree's root, else the helper's kind
  local comm
  comm=$(cat /proc/"$2"/comm 2>/dev/null) || return 1
  case "$comm" in
    WebKitWebProces*) echo web ;;
    WebKitNetworkPr*) echo network ;;
    *) if [ "$2" = "$1" ]; then echo program; else echo "$comm"; fi ;;
  esac
}

# One line per process of the tree ("P role pid cpu-ticks") and per thread
# ("T role tid slices").
snapshot() {
  local root=$1 p role t
  for p in $(tree_pids "$root"); do
    role=$(role_of "$root" "$p") || continue
    # Fields 14 and 15 (user and system ticks) after the command name, which may hold spaces.
    awk -v r="$role" -v p="$p" '{ sub(/^.*\) /, ""); print "P", r, p, $12 + $13 }' \
      /proc/"$p"/stat 2>/dev/null || true
    for t in /proc/"$p"/task/*; do
      awk -v r="$role" -v t="${t##*/}" '{ print "T", r, t, $3 }' "$t/schedstat" 2>/dev/null || true
    done
  done
}

pss_by_role() {  # "role pss-kib anonymous-kib" per process of the tree
  local root=$1 p role
  for p in $(tree_pids "$root"); do
    role=$(role_of "$root" "$p") || continue
    echo "$role $(awk '/^Pss:/ { pss = $2 } /^Anonymous:/ { own += $2 }
      END { print pss + 0, own + 0 }' /proc/"$p"/smaps_rollup 2>/dev/null || echo 0 0)"
  done
}

# Start-up: seconds from launch of PID until its window is viewable (when WINDOWED) and
# until the simulator has seen a stream request. Prints "map stream", "-" for never.
startup_times() {
  local pid=$1 windowed=$2 t0=$3 map=- stream=- now
  [ "$windowed" = 1 ] || map=n/a
  for _ in $(seq 750); do
    now=$(date +%s%N)
    if [ "$map" = - ] &&
      DISPLAY=$display timeout 2 xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; then
      map=$(awk -v a="$now" -v b="$t0" 'BEGIN { printf "%.2f", (a - b) / 1e9 }')
    fi
    if [ "$stream" = - ] && [[ $(curl -sf -m 2 "$control/requests") == *'"/stream/'* ]]; then
      stream=$(awk -v a="$now" -v b="$t0" 'BEGIN { printf "%.2f", (a - b) / 1e9 }')
    fi
    [ "$map" != - ] && [ "$stream" != - ] && break
    sleep 0.02
  done
  echo "$map $stream"
}

row() {  # row NAME WINDOWED COMMAND...: one run, one block of figures
  local name=$1 windowed=$2
  shift 2
  local home="$work/home-$RANDOM"
  mkdir -p "$home"
  curl -sf -X DELETE "$control/requests" >/dev/null
  local t0
  t0=$(date +%s%N)
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_DATA_HOME=$home/.local/share DISPLAY=$display NO_AT_BRIDGE=1 "$@" >"$home/log" 2>&1 &
  local pid=$!
  local times
  times=$(startup_times "$pid" "$windowed" "$t0")
  sleep "$(awk -v a="$(date +%s%N)" -v b="$t0" -v s="$settle" \
    'BEGIN { printf "%.2f", s - (a - b) / 1e9 }' |
    sed 's/^-.*/0/')"
  snapshot "$pid" >"$work/before"
  sleep "$seconds"
  snapshot "$pid" >"$work/after"
  pss_by_role "$pid" >"$work/pss"
  local solo others
  solo=$(solo_mib "$pid")
  # PSS splits shared pages among every process that maps them, so another WebKit
  # program running on the machine lowers ours; anon and solo do not move.
  others=$(($(pgrep -c -x WebKitWebProces || true) - $(tree_pids "$pid" | while read -r p; do
    role_of "$pid" "$p"; done | grep -c '^web$' || true)))
  local lvl
  lvl=$(level)
  kill "$pid" 2>/dev/null || echo "$name: the program had ended" >&2
  wait "$pid" 2>/dev/null || true
  sleep 1  # let the helper processes go
  awk -v name="$name" -v s="$seconds" -v hz="$(getconf CLK_TCK)" -v times="$times" \
    -v lvl="$lvl" -v solo="$solo" -v others="$others" '
    FILENAME ~ /before$/ { before[$1 " " $3] = $4; next }
    FILENAME ~ /after$/ {
      role[$2] = 1
      d = $4 - before[$1 " " $3]
      if ($1 == "P") cpu[$2] += d; else slices[$2] += d
      next
    }
    { role[$1] = 1; pss[$1] += $2; own[$1] += $3 }
    END {
      split(times, t, " ")
      n = split("program web network", order, " ")
      for (r in role) if (r != "program" && r != "web" && r != "network") order[++n] = r
      first = 1
      for (i = 1; i <= n; i++) {
        r = order[i]
        if (!(r in role)) continue
        printf "%-28s %-9s %7.1f %7.1f %6.1f %9.0f\n", first ? name : "", r, pss[r] / 1024,
          own[r] / 1024, 100 * cpu[r] / hz / s, slices[r] / s
        first = 0; tp += pss[r]; to += own[r]; tc += cpu[r]; ts += slices[r]
      }
      printf "%-28s %-9s %7.1f %7.1f %6.1f %9.0f %6s %7s %6s %6s%s\n", "", "all", tp / 1024,
        to / 1024, 100 * tc / hz / s, ts / s, t[1], t[2], lvl, solo, (others > 0 ? " +" others : "")
    }' "$work/before" "$work/after" "$work/pss"
}

thread_slices() {  # "tid slices role thread-name" for every thread of the tree of $1
  local root=$1 p role t
  for p in $(tree_pids "$root"); do
    role=$(role_of "$root" "$p") || continue
    for t in /proc/"$p"/task/*; do
      echo "${t##*/} $(cut -d' ' -f3 "$t/schedstat" 2>/dev/null) $role $(cat "$t/comm" 2>/dev/null)"
    done
  done
}

# Profiles the web and network processes of the program as built while it plays.
profile() {
  local home="$work/home-profile"
  mkdir -p "$home"
  HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
    XDG_DATA_HOME=$home/.local/share DISPLAY=$display NO_AT_BRIDGE=1 "$program" >"$home/log" 2>&1 &
  local pid=$! p role perfs=()
  sleep "$settle"
  thread_slices "$pid" >"$work/threads-before"
  for p in $(tree_pids "$pid"); do
    role=$(role_of "$pid" "$p") || continue
    [ "$role" = program ] && continue
    perf record -q -e cpu-clock -F 999 -g -p "$p" -o "$work/$role.perf" -- sleep "$seconds" \
      >/dev/null 2>&1 &
    perfs+=($!)
  done
  wait "${perfs[@]}" 2>/dev/null || true
  thread_slices "$pid" >"$work/threads-after"
  echo "== wake-ups/s by process and thread name (time slices begun)"
  awk -v s="$seconds" 'NR == FNR { b[$1] = $2; next }
    { n = $3; for (i = 4; i <= NF; i++) n = n " " $i; w[n] += ($2 - b[$1]) / s }
    END { for (k in w) if (w[k] >= 1) printf "%6.0f  %s\n", w[k], k }' \
    "$work/threads-before" "$work/threads-after" >"$work/threads"
  sort -rn "$work/threads" | head -25
  sleep 1
  kill "$pid" 2>/dev/null || echo "$name: the program had ended" >&2
  wait "$pid" 2>/dev/null || true
  local sort
  for role in web network; do
    [ -s "$work/$role.perf" ] || continue
    for sort in comm dso dso,sym; do
      echo "== $role process: samples by ${sort/comm/thread}"
      perf report -q -i "$work/$role.perf" --no-children --sort "$sort" -g none \
        >"$work/report" 2>/dev/null || true
      head -n "$([ "$sort" = dso,sym ] && echo 25 || echo 10)" "$work/report" | cut -c1-110
    done
  done
}
if [ "$runs" = profile ]; then
  profile
  exit
fi

echo "stream: station simulator, $stream_url in a private network namespace;"
echo "$seconds s of playback after $settle s; PSS and anon (anonymous memory: heaps, stacks, JIT"
echo "code; other programs on the machine do not change it) in MiB; CPU in % of one core;"
echo "wake-ups/s: time slices begun per second over all threads; map/stream: s from launch"
echo "to the window viewable and to the first stream request; level: RMS at the sink (the"
echo "page plays at volume 0.3);"
echo "solo: MiB estimated for the tree were it alone on the machine (see solo_mib)"
echo "(+N: N other WebKit web processes ran on the machine, sharing PSS with these)"
printf "%-28s %-9s %7s %7s %6s %9s %6s %7s %6s %6s\n" "configuration" "process" "PSS" "anon" \
  "CPU %" "wakeup/s" "map s" "stream" "level" "solo"
for _ in $(seq "$runs"); do
  row "program as built" 1 "$program"
  for set in "${toggle_sets[@]}"; do
    case "$set" in
      @*) row "$(basename "$(dirname "${set#@}")")/$(basename "${set#@}")" 1 "${set#@}" ;;
      *) STATIONPLAYER_WEB_VIEW_TOGGLE=$set row "toggled: $set" 1 "$variant" ;;
    esac
  done
  row "floor: gst-launch playbin" 0 gst-launch-1.0 -q playbin "uri=$stream_url"
done
