#!/usr/bin/env bash
# What playing costs: for the program and each of its WebKit helper processes, CPU,
# wake-ups, PSS with its private and shared parts and anonymous memory while playing,
# the time to the window mapped and to the first stream request and the level at the
# sink (proof that it plays); beside it, in the same run, the same for Goodvibes (a GTK
# radio player from Debian, installed here if missing: a peer to compare with, nothing of
# the program needs it) and for a floor, gst-launch-1.0 playbin, on the same stream into
# the same null sink. Figures to read, not a test.
#
# Usage: bench/webview_weight.sh [BUILD_DIR] [SECONDS] [ROUNDS] [ROWS...]
#   (defaults: build, 30, 5). Each extra ROW is either a comma-separated list of web view
#   setting names (see ReadTuning in src/platform/gtk/gtk_webview.cpp): the test build
#   with those settings switched the other way; or @PATH: another build of the program
#   (an older one, say); or env:NAME=VALUE[,NAME=VALUE...]: the test build with those
#   variables in its environment (and its helpers'). Every round runs every row once, each round starting with
#   another row, so drift of the machine's load hits every row alike; the table at the
#   end gives each figure as the median of the rounds and their range [min-max], and each
#   row's CPU and PSS as a multiple of Goodvibes's in the same round.
#
# CPU: user and system time of each process over SECONDS (the kernel counts it exactly
# and reports it in 10 ms steps), in % of one core. The X server and the sound server
# are private to the bench, so their CPU during a row is that row's; they are shown
# apart and are not in "all". Wake-ups/s: voluntary context switches summed over every
# thread (each one is a sleep that ends in a wake-up); threads that end during the window
# are not counted (the kernel keeps no per-process sum of them). PSS splits each shared page among the processes mapping it; "private"
# is what no other process maps, "shared" the rest of PSS.
#
# bench/webview_weight.sh [BUILD_DIR] [SECONDS] maps [ROWS...]: instead, one launch of
# each row, and after SECONDS of playback which files and kinds of memory make up its
# PSS, summed over its processes, with each process's share and the private part.
#
# bench/webview_weight.sh [BUILD_DIR] [SECONDS] profile: instead, records a CPU profile
# (perf, call graphs by frame pointer) of the playing program, web and network processes over
# SECONDS and prints the wake-ups per thread and the top of each profile by thread, by
# library and by symbol.
#
# WEBVIEW_WEIGHT_KEEP=DIR (outside /tmp) keeps the rounds' figures or the profiles there.
#
# Runs in a private network namespace of its own, so the simulator takes the station's
# port there and never the machine's, and with a private /tmp, so its X server's display
# number and sockets meet no other; the sound goes to a private null sink. (A copy of
# this script kept in /tmp cannot run: the private /tmp hides it.)
set -euo pipefail
if [ "${WEBVIEW_WEIGHT_PRIVATE:-}" != 1 ]; then
  command -v goodvibes >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q goodvibes >/dev/null ||
    echo "goodvibes could not be installed: its row is left out" >&2
  exec unshare -n -m --propagation private env WEBVIEW_WEIGHT_PRIVATE=1 \
    bash -c 'ip link set lo up && mount -t tmpfs tmpfs /tmp && exec "$0" "$@"' "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/process_tree.sh"
. "$here/bench_common.sh"
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-30}
rounds=${3:-5}
shift $(($# < 3 ? $# : 3))
extra_rows=("$@")
settle=8  # start-up, first load and the stream's buffering stay out of the figures

program="$build/src/stationplayer"
variant="$build/src/stationplayer-faults"
sim="$build/tools/station-sim/stationplayer-sim"
for f in "$program" "$variant" "$sim"; do
  [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
station_of "$build"

# shellcheck source=bench/private_session.sh
source "$here/private_session.sh"
start_private_session

start stream.log "$sim" --port "$port"
for _ in $(seq 100); do curl -sf "$control/requests" >/dev/null && break; sleep 0.1; done

# The rows: the program as built, the extra ones, the peer and the floor. Each is
# "NAME|KIND|ARG".
rows=("program as built|program|$program")
for set in "${extra_rows[@]}"; do
  case "$set" in
    @*)  # named by the two folders above src/: "old-368ff37/build"
      b=$(dirname "$(dirname "${set#@}")")
      rows+=("$(basename "$(dirname "$b")")/$(basename "$b")|program|${set#@}") ;;
    env:*) rows+=("$set|env|${set#env:}") ;;
    *) rows+=("toggled: $set|toggle|$set") ;;
  esac
done
command -v goodvibes >/dev/null && rows+=("goodvibes|goodvibes|goodvibes")
rows+=("floor: gst-launch playbin|floor|")

# The sink's level over one second, as a fraction of full scale: proof that it plays.
level() {
  HOME="$work/pulse-home" sh -c "parec -d t.monitor --raw --format=s16le --rate=44100 \
    --channels=2 2>/dev/null | head -c 176400" >"$work/level.raw"
  sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/level.raw" -n stat 2>&1 |
    awk '/RMS +amplitude/ { printf "%.3f", $3 }'
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

# "P role pid cpu-ticks" for PID under the name ROLE, and "T role tid voluntary-switches"
# for each of its threads.
reading() {
  local role=$1 p=$2 t
  # Fields 14 and 15 (user and system ticks) after the command name, which may hold spaces.
  awk -v r="$role" -v p="$p" '{ sub(/^.*\) /, ""); print "P", r, p, $12 + $13 }' \
    /proc/"$p"/stat 2>/dev/null || return 0
  for t in /proc/"$p"/task/*; do
    awk -v r="$role" -v t="${t##*/}" '/^voluntary_ctxt_switches/ { print "T", r, t, $2 }' \
      "$t/status" 2>/dev/null || true
  done
}

snapshot() {  # readings of each process of the tree of $1, and of the two servers
  local root=$1 p role
  for p in $(tree_pids "$root"); do
    role=$(role_of "$root" "$p") || continue
    reading "$role" "$p"
  done
  reading xserver "$session_xserver"
  reading sound "$session_sound"
}

memory() {  # "role pss private anonymous" in KiB per process of the tree of $1
  local root=$1 p role
  for p in $(tree_pids "$root"); do
    role=$(role_of "$root" "$p") || continue
    echo "$role $(awk '/^Pss:/ { pss = $2 } /^Private_(Clean|Dirty):/ { own += $2 }
      /^Anonymous:/ { anon += $2 } END { print pss + 0, own + 0, anon + 0 }' \
      /proc/"$p"/smaps_rollup 2>/dev/null || echo 0 0 0)"
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

# launch KIND ARG HOME: starts one row's player in the background into `launched`, with
# `windowed` telling whether it opens a window to wait for.
launch() {
  local kind=$1 arg=$2 home=$3
  mkdir -p "$home"
  windowed=1
  local env=(HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
    XDG_DATA_HOME="$home/.local/share" DISPLAY="$display" NO_AT_BRIDGE=1)
  local cmd
  case $kind in
    program) cmd=("$arg") ;;
    toggle) cmd=("$variant"); env+=(STATIONPLAYER_WEB_VIEW_TOGGLE="$arg") ;;
    env) cmd=("$variant"); IFS=, read -r -a more <<<"$arg"; env+=("${more[@]}") ;;
    goodvibes)
      goodvibes_home "$home"
      cmd=(goodvibes); env+=(GSETTINGS_BACKEND=keyfile) ;;
    floor) cmd=(gst-launch-1.0 -q playbin "uri=$stream_url"); windowed=0 ;;
  esac
  env "${env[@]}" "${cmd[@]}" >"$home/log" 2>&1 &
  launched=$!
}

stop() {  # stop PID: ends a row's player and waits until its helpers have gone too
  stop_tree "$1" || echo "pid $1 had ended" >&2
  sleep 1
}

# measure ROUND NAME KIND ARG: one launch; appends its figures to $work/results as
# "NAME|ROUND|ROLE|cpu %|wake-ups/s|pss|private|anon" (memory in KiB; the servers have
# none) and "NAME|ROUND|start|map|stream|level".
measure() {
  local round=$1 name=$2 kind=$3 arg=$4
  local home="$work/home-$RANDOM$RANDOM"
  curl -sf -X DELETE "$control/requests" >/dev/null
  local t0 pid times lvl
  t0=$(date +%s%N)
  launch "$kind" "$arg" "$home"
  pid=$launched
  times=$(startup_times "$pid" "$windowed" "$t0")
  sleep "$(awk -v a="$(date +%s%N)" -v b="$t0" -v s="$settle" \
    'BEGIN { d = s - (a - b) / 1e9; printf "%.2f", (d > 0 ? d : 0) }')"
  snapshot "$pid" >"$work/before"
  sleep "$seconds"
  snapshot "$pid" >"$work/after"
  memory "$pid" >"$work/memory"
  lvl=$(level)
  stop "$pid"
  awk -v name="$name" -v round="$round" -v s="$seconds" -v hz="$(getconf CLK_TCK)" '
    FILENAME ~ /before$/ { before[$1 $3] = $4; next }
    FILENAME ~ /after$/ {
      if ($1 == "P") {
        if (!(("P" $3) in before)) next  # a process that came during the window
        roles[$2] = 1; cpu[$2] += $4 - before["P" $3]
      } else {
        wake[$2] += $4 - before["T" $3]  # a thread that came: all of its switches
      }
      next
    }
    { pss[$1] += $2; own[$1] += $3; anon[$1] += $4 }
    END {
      for (r in roles)
        printf "%s|%d|%s|%.3f|%.1f|%d|%d|%d\n", name, round, r, 100 * cpu[r] / hz / s,
          wake[r] / s, pss[r], own[r], anon[r]
    }' "$work/before" "$work/after" "$work/memory" >>"$work/results"
  echo "$name|$round|start|${times/ /|}|$lvl" >>"$work/results"
  rm -rf "$home"
}

# The table: per row and process, median [min-max] over the rounds; "all" is the row's
# own processes summed per round.
summary() {
  perl -e '
    my ($file, @names) = @ARGV;
    my (%v, %start, %rounds);
    open(my $f, "<", $file) or die;
    while (<$f>) {
      chomp;
      my ($n, $r, $role, @x) = split /\|/;
      $rounds{$r} = 1;
      if ($role eq "start") { push @{$start{$n}{$_}}, $x[$_] for 0 .. 2; next }
      $v{$n}{$r}{$role} = [@x];
      next if $role eq "xserver" || $role eq "sound";
      $v{$n}{$r}{all}[$_] += $x[$_] for 0 .. 4;
    }
    sub stat3 {  # median [min-max] of numbers, "-" for none
      my ($fmt, @x) = @_;
      @x = sort { $a <=> $b } grep { /^-?[0-9.]+$/ } @x;
      return "-" unless @x;
      my $m = @x % 2 ? $x[$#x / 2] : ($x[@x / 2 - 1] + $x[@x / 2]) / 2;
      return sprintf("$fmt [$fmt-$fmt]", $m, $x[0], $x[-1]);
    }
    my @r = sort { $a <=> $b } keys %rounds;
    printf "%-26s %-8s %-16s %-15s %-18s %-18s %-16s %-16s\n", "configuration", "process",
      "CPU %", "wake-ups/s", "PSS MiB", "private", "shared", "anon";
    for my $n (@names) {
      my %seen;
      $seen{$_} = 1 for map { keys %{$v{$n}{$_}} } @r;
      my @roles = grep { $seen{$_} } ("program", "web", "network",
        (sort grep { !/^(program|web|network|all|xserver|sound)$/ } keys %seen),
        "all", "xserver", "sound");
      my $first = 1;
      for my $role (@roles) {
        my @col = map { my $i = $_; [map { $v{$n}{$_}{$role} ? $v{$n}{$_}{$role}[$i] : "-" } @r] }
          0 .. 4;
        my $mem = $role ne "xserver" && $role ne "sound";
        printf "%-26s %-8s %-16s %-15s %-18s %-18s %-16s %-16s\n", $first ? substr($n, 0, 26) : "",
          $role, stat3("%.2f", @{$col[0]}), stat3("%.0f", @{$col[1]}),
          $mem ? stat3("%.1f", map { $_ eq "-" ? $_ : $_ / 1024 } @{$col[2]}) : "",
          $mem ? stat3("%.1f", map { $_ eq "-" ? $_ : $_ / 1024 } @{$col[3]}) : "",
          $mem ? stat3("%.1f", map { $col[2][$_] eq "-" ? "-" : ($col[2][$_] - $col[3][$_]) / 1024 }
            0 .. $#r) : "",
          $mem ? stat3("%.1f", map { $_ eq "-" ? $_ : $_ / 1024 } @{$col[4]}) : "";
        $first = 0;
      }
      printf "%-26s %-8s map %s s, stream %s s, level %s\n", "", "start",
        stat3("%.2f", @{$start{$n}{0}}), stat3("%.2f", @{$start{$n}{1}}),
        stat3("%.3f", @{$start{$n}{2}});
    }
    return unless $v{goodvibes};
    print "\nper round, as a multiple of Goodvibes in the same round, median [min-max]:\n";
    for my $n (grep { $_ ne "goodvibes" } @names) {
      my (@cpu, @pss);
      for my $r (@r) {
        my ($a, $g) = ($v{$n}{$r}{all}, $v{goodvibes}{$r}{all});
        next unless $a && $g && $g->[0] > 0 && $g->[2] > 0;
        push @cpu, $a->[0] / $g->[0];
        push @pss, $a->[2] / $g->[2];
      }
      printf "%-26s CPU %-20s PSS %s\n", substr($n, 0, 26), stat3("%.2fx", @cpu),
        stat3("%.2fx", @pss);
    }' "$work/results" "$@"
}

# maps NAME KIND ARG: one launch; after the playback, which mappings make up the PSS of
# the row's processes. Files by name, anonymous memory by kind.
maps() {
  local name=$1 kind=$2 arg=$3
  local home="$work/home-maps"
  launch "$kind" "$arg" "$home"
  local pid=$launched p role
  sleep "$((settle + seconds))"
  for p in $(tree_pids "$pid"); do
    role=$(role_of "$pid" "$p") || continue
    awk -v role="$role" '
      /^[0-9a-f]+-[0-9a-f]+ / {
        n = $6; for (i = 7; i <= NF; i++) n = n " " $i
        if (n == "") n = "[anonymous]"
        else if (n ~ /^\[stack/) n = "[stack]"
        else if (n ~ /^\/memfd:|^memfd:/) n = "[memfd: shared buffers]"
        else if (n ~ /^\/dev\/shm|^\/SYSV/) n = "[shm]"
        else if (n ~ /\.cache\/fontconfig/) n = "[font caches]"
        else if (n ~ /\/fonts\//) n = "[font files]"
        else if (n ~ /^\//) { sub(/.*\//, "", n); sub(/\.so[.0-9]*$/, ".so", n) }
        next
      }
      /^Pss:/ { pss[n] += $2 }
      /^Private_(Clean|Dirty):/ { own[n] += $2 }
      END { for (k in pss) if (pss[k] > 0) printf "%s\t%s\t%d\t%d\n", role, k, pss[k], own[k] }
    ' /proc/"$p"/smaps 2>/dev/null
  done >"$work/maps"
  stop "$pid"
  echo "== $name: PSS by mapping after $seconds s of playback, KiB"
  perl -e '
    my (%pss, %own, %role, %total, %rtotal);
    open(my $f, "<", $ARGV[0]) or die;
    while (<$f>) {
      chomp;
      my ($r, $n, $p, $o) = split /\t/;
      $pss{$n}{$r} += $p; $own{$n} += $o; $total{$n} += $p; $role{$r} = 1;
      $rtotal{$r} += $p; $rown{$r} += $o;
    }
    my @roles = grep { $role{$_} } ("program", "web", "network",
      sort grep { !/^(program|web|network)$/ } keys %role);
    printf "%-36s %8s %8s %8s", "mapping", "PSS", "private", "shared";
    printf " %9s", $_ for @roles;
    print "\n";
    my $shown = 0;
    for my $n (sort { $total{$b} <=> $total{$a} } keys %total) {
      last if ++$shown > 30;
      printf "%-36s %8d %8d %8d", substr($n, 0, 36), $total{$n}, $own{$n}, $total{$n} - $own{$n};
      printf " %9d", $pss{$n}{$_} // 0 for @roles;
      print "\n";
    }
    my ($t, $o) = (0, 0);
    $t += $rtotal{$_}, $o += $rown{$_} for @roles;
    printf "%-36s %8d %8d %8d", "all", $t, $o, $t - $o;
    printf " %9d", $rtotal{$_} for @roles;
    print "\n\n";' "$work/maps"
}

# "tid voluntary-switches cpu-ticks role thread-name" for every thread of the tree of $1
thread_slices() {
  local root=$1 p role t
  for p in $(tree_pids "$root"); do
    role=$(role_of "$root" "$p") || continue
    for t in /proc/"$p"/task/*; do
      echo "${t##*/} $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status" 2>/dev/null) \
$(awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$t/stat" 2>/dev/null) $role \
$(cat "$t/comm" 2>/dev/null)"
    done
  done
}

# Profiles the program as built and its web and network processes while it plays.
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
    perf record -q -e cpu-clock -F 999 -g -p "$p" -o "$work/$role.perf" -- sleep "$seconds" \
      >/dev/null 2>&1 &
    perfs+=($!)
  done
  wait "${perfs[@]}" 2>/dev/null || true
  thread_slices "$pid" >"$work/threads-after"
  [ -z "${WEBVIEW_WEIGHT_KEEP:-}" ] || cp "$work"/*.perf "$WEBVIEW_WEIGHT_KEEP/"
  echo "== by process and thread name: CPU % of one core, wake-ups/s (voluntary switches)"
  awk -v s="$seconds" -v hz="$(getconf CLK_TCK)" 'NR == FNR { b[$1] = $2; c[$1] = $3; next }
    !($1 in b) { next }
    { n = $4; for (i = 5; i <= NF; i++) n = n " " $i
      w[n] += ($2 - b[$1]) / s; u[n] += 100 * ($3 - c[$1]) / hz / s }
    END { for (k in w) if (w[k] >= 1 || u[k] >= 0.01) printf "%6.2f %6.0f  %s\n", u[k], w[k], k }' \
    "$work/threads-before" "$work/threads-after" >"$work/threads"
  sort -rn "$work/threads" | head -30
  sleep 1
  kill "$pid" 2>/dev/null || echo "the program had ended" >&2
  wait "$pid" 2>/dev/null || true
  local sort
  for role in program web network; do
    [ -s "$work/$role.perf" ] || continue
    for sort in comm dso dso,sym; do
      echo "== $role process: samples by ${sort/comm/thread}"
      perf report -q -i "$work/$role.perf" --no-children --sort "$sort" -g none \
        >"$work/report" 2>/dev/null || true
      head -n "$([ "$sort" = dso,sym ] && echo 25 || echo 10)" "$work/report" | cut -c1-110
    done
  done
}

case $rounds in
  profile)
    profile
    exit ;;
  maps)
    for r in "${rows[@]}"; do
      IFS='|' read -r name kind arg <<<"$r"
      maps "$name" "$kind" "$arg"
    done
    exit ;;
esac

echo "stream: station simulator, $stream_url in a private network namespace;"
echo "$rounds rounds, each row once per round, rows rotated; $seconds s of playback after"
echo "$settle s; CPU in % of one core; wake-ups/s: voluntary context switches of all threads;"
echo "PSS = private + shared (its share of pages other processes map too); anon: anonymous"
echo "memory (heaps, stacks, JIT code); xserver and sound: the private X and sound servers"
echo "while the row played, not in \"all\"; map/stream: s from launch to the window viewable"
echo "and to the first stream request; level: RMS at the sink (the page plays at volume 0.3)"
: >"$work/results"
names=()
for r in "${rows[@]}"; do names+=("${r%%|*}"); done
for round in $(seq "$rounds"); do
  shift_by=$(((round - 1) % ${#rows[@]}))
  order=("${rows[@]:shift_by}" "${rows[@]:0:shift_by}")
  for r in "${order[@]}"; do
    IFS='|' read -r name kind arg <<<"$r"
    echo "round $round/$rounds: $name" >&2
    measure "$round" "$name" "$kind" "$arg"
  done
done
[ -z "${WEBVIEW_WEIGHT_KEEP:-}" ] || cp "$work/results" "$WEBVIEW_WEIGHT_KEEP/results"
summary "${names[@]}"
