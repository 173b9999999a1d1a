#!/usr/bin/env bash
# Runs the real program for a long time against the station simulator with the clock
# sped up, so the song changes every few seconds, each song with its own cover (some
# undecodable, some matching no entry of the list), and switches the simulator's
# faults on and off in stretches. Every 30 s it prints, per process, PSS, anonymous
# memory, open file descriptors, threads and CPU, the files in the application folder
# and the songs the panel showed; the last line is the growth of each figure between the first and the
# last third of the run. After each fault stretch it reports how soon the panel and the
# cover followed the station again, and after a stream stretch how soon the sound came
# back by itself (nobody presses play).
#
# Usage: bench/soak.sh [MINUTES] [--build DIR] [--ci]
#   MINUTES  length of the run (default 60)
#   --build  the build folder with the program and the simulator (default build/ci)
#   --ci     the short check: a song every half second, short faults, and a non-zero
#            exit unless fds and threads end as they were after the first song, the
#            application folder ends with nothing but its own files, at least 100
#            different songs were shown, and the sound came back by itself within 65 s
#            after the stream stretch
# SOAK_KEEP=DIR copies the run's folder (logs, tracks, samples, and a per-second trace of
# the program's fds and threads) to DIR at the end.
#
# Everything runs in a private network namespace (the simulator takes the program's
# compiled station port there, not the machine's) and a private process namespace, so
# nothing outlives the run; X, sound and the session bus are private too.
#
# The songs the panel showed are read from the desktop media-player interface on the
# private session bus: the program publishes a track there from the same event that
# redraws the panel, carrying the panel's own three texts and the cover on show. A
# request log of the simulator would only say what was asked for, not what was shown.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

minutes=60
build=$here/../build/ci
ci=0
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --ci) ci=1; shift ;;
    [0-9]*) minutes=$1; shift ;;
    *) echo "usage: $0 [MINUTES] [--build DIR] [--ci]" >&2; exit 2 ;;
  esac
done
build=$(cd "$build" && pwd)

if [ "${SOAK_INSIDE:-}" != 1 ]; then
  user=()
  [ "$(id -u)" = 0 ] || user=(--map-root-user)
  args=("$minutes" --build "$build")
  [ "$ci" = 1 ] && args+=(--ci)
  exec env SOAK_INSIDE=1 unshare "${user[@]}" --net --pid --fork --mount-proc --kill-child \
    bash "$0" "${args[@]}"
fi
ip link set lo up

program=$build/src/stationplayer
sim=$build/tools/station-sim/stationplayer-sim
audio=$build/tools/station-sim/audio
for f in "$program" "$sim"; do
  [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
# The port in the address the program was built with.
port=$(sed -n 's|^STATIONPLAYER_API_BASE:[A-Z]*=http://127.0.0.1:\([0-9]*\)/.*|\1|p' \
  "$build/CMakeCache.txt")
[ -n "$port" ] || { echo "no station port in $build/CMakeCache.txt" >&2; exit 1; }

if [ "$ci" = 1 ]; then
  # A song every 0.5 s on air, the stream's 42 s lag 0.1 s. The watcher needs two passes
  # of 0.75 s for a change (the clock, then the song), so the panel shows every third
  # song, about 115 in three minutes; with a song a second it would show fewer than 100.
  speed=420 length=210
  interval=30
else
  speed=20 length=80  # a song every 4 s; every song reaches the panel
  interval=30
fi
song_s=$(awk -v l="$length" -v s="$speed" 'BEGIN { print l / s }')
nsongs=400
total_s=$((minutes * 60))

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${SOAK_KEEP:-}" ]; then cp -r "$work" "$SOAK_KEEP"; fi  # for a look afterwards
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start() {  # start LOG COMMAND...: a helper in the background
  local log=$1
  shift
  "$@" >"$work/$log" 2>&1 &
  pids+=($!)
}

# Covers: song i is "Soak Tune i" by "Loop Crew" from "Night i". Every tenth song from
# the third matches no entry, every tenth from the seventh has a cover that is not a
# picture; the others have a picture of their own colour, PNG or JPEG, in several sizes.
colour() { echo "$((i * 37 % 200 + 40)),$((i * 91 % 200 + 40)),$((i * 53 % 200 + 40))"; }
kind() { case $(($1 % 10)) in 3) echo none ;; 7) echo bad ;; *) echo good ;; esac; }
mkdir "$work/covers"
{
  printf '\xef\xbb\xbfOther Station - Filler.jpg\r\n'
  png=() jpg=()
  for ((i = 0; i < nsongs; i++)); do
    n=$(printf %03d "$i")
    case $(kind "$i") in
      none) continue ;;
      bad) name="Loop Crew - Soak Tune $n (Night $n).jpg"
        echo "not a picture" >"$work/covers/${name,,}" ;;
      good)
        ext=png
        [ $((i % 2)) = 0 ] && ext=jpg
        name="Loop Crew - Soak Tune $n (Night $n).$ext"
        size=$((150 + i % 5 * 150))
        if [ $ext = png ]; then png+=(-size "${size}x${size}" "xc:rgb($(colour))"); else
          jpg+=(-size "${size}x${size}" "xc:rgb($(colour))"); fi
        echo "$i ${name,,}" >>"$work/picture-names" ;;
    esac
    printf '%s\r\n' "$name"
    printf 'Another Station - Tune %d.jpg\n' "$i"
  done
} >"$work/covers/dateien.txt"
convert "${png[@]}" +adjoin "$work/covers/p%03d.png"
convert "${jpg[@]}" -quality 92 +adjoin "$work/covers/j%03d.jpg"
p=0 j=0
while read -r i name; do
  if [[ $name == *.png ]]; then src=$(printf p%03d.png $p); p=$((p + 1)); else
    src=$(printf j%03d.jpg $j); j=$((j + 1)); fi
  mv "$work/covers/$src" "$work/covers/$name"
done <"$work/picture-names"

songs_json=$(for ((i = 0; i < nsongs; i++)); do
  printf '{"title":"Soak Tune %03d","artist":"Loop Crew","album":"Night %03d","length":%d}\n' \
    "$i" "$i" "$length"
done | jq -s -c .)

start sim.log "$sim" --port "$port" --audio-dir "$audio" --covers-dir "$work/covers"
for _ in $(seq 100); do grep -q listening "$work/sim.log" && break; sleep 0.1; done
control() {  # control METHOD PATH [BODY]; the simulator refuses a POST without a body
  curl -sf -X "$1" -H 'Content-Type: application/json' ${3:+--data "$3"} \
    "http://127.0.0.1:$port/control$2" >/dev/null || { echo "refused: $1 $2" >&2; return 1; }
}
control POST /scenario "{\"clock\": {\"speed\": $speed}, \"songs\": $songs_json}"

# shellcheck source=bench/private_session.sh
source "$(dirname "${BASH_SOURCE[0]}")/private_session.sh"
start_private_session

# Every track the program publishes: time, title, and the cover's colour at its centre.
mpris=org.mpris.MediaPlayer2.stationplayer
watch_tracks() {
  local line title art colour
  gdbus monitor --session --dest "$mpris" --object-path /org/mpris/MediaPlayer2 |
    while IFS= read -r line; do
      if [[ $line == *"'PlaybackStatus': <'"* ]]; then
        line=${line#*\'PlaybackStatus\': <\'}
        printf '%s\t%s\n' "$EPOCHREALTIME" "${line%%\'*}" >>"$work/playback"
      fi
      [[ $line == *"'Metadata'"* ]] || continue
      title=$(sed -n "s/.*'xesam:title': <'\([^']*\)'>.*/\1/p" <<<"$line")
      art=$(sed -n "s|.*'mpris:artUrl': <'file://\([^']*\)'>.*|\1|p" <<<"$line")
      art=$(printf '%b' "${art//%/\\x}")  # the URL's path, percent-decoded
      colour=-
      [ -n "$art" ] && colour=$(convert "$art" -format '%[fx:int(255*p{150,150}.r)],%[fx:int(255*p{150,150}.g)],%[fx:int(255*p{150,150}.b)]' info: 2>/dev/null || echo gone)
      printf '%s\t%s\t%s\n' "$EPOCHREALTIME" "${title:--}" "$colour"
    done
}
watch_tracks >"$work/tracks" 2>"$work/monitor.log" &
pids+=($!)

home=$work/home
mkdir -p "$home"
folder="$home/.config/lumo/Tidemark Drum and Bass FM"
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
  XDG_DATA_HOME=$home/.local/share DISPLAY=$display NO_AT_BRIDGE=1 \
  "$program" >"$work/program.log" 2>&1 &
prog=$!
pids+=("$prog")
t0=${EPOCHREALTIME%.*}

tree() {
  echo "$1"
  local c
  for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do tree "$c"; done
}
# Figures of one process class: PSS KiB, fds, threads, CPU ticks, anonymous KiB (heap and
# other memory not backed by a file), summed over its processes. PSS, like a count of
# private pages, shares out the pages of libraries that other programs on the machine
# map too, so it moves when they start or stop; anonymous memory does not, and it is
# where a leak grows.
figures() {
  local want=$1 p comm pss=0 anon=0 fds=0 thr=0 ticks=0 v w
  for p in $(tree "$prog"); do
    comm=$(cat /proc/"$p"/comm 2>/dev/null) || continue
    case $want in
      prog) [ "$p" = "$prog" ] || continue ;;
      web) [[ $comm == WebKitWebProces* ]] || continue ;;
      net) [[ $comm == WebKitNetworkPr* ]] || continue ;;
    esac
    read -r v w <<<"$(awk '/^Pss:/ { p = $2 } /^Anonymous:/ { a = $2 }
      END { print p + 0, a + 0 }' /proc/"$p"/smaps_rollup 2>/dev/null)"
    pss=$((pss + ${v:-0})) anon=$((anon + ${w:-0}))
    fds=$((fds + $(ls /proc/"$p"/fd 2>/dev/null | wc -l)))
    v=$(awk '/^Threads:/ { print $2 }' /proc/"$p"/status 2>/dev/null) && thr=$((thr + ${v:-0}))
    set -- $(sed 's/^.*) //' /proc/"$p"/stat 2>/dev/null)
    [ $# -gt 13 ] && ticks=$((ticks + ${12} + ${13}))
  done
  echo "$pss $fds $thr $ticks $anon"
}
# The fewest fds and threads of the program over a second: a request or a download in
# flight holds a socket or a file for a moment, which is not a leak. GLib's worker pool
# ("pool-" threads) and the web view's frame clock ("VBlankMonitor") start and retire
# threads on their own idle timers, so those are left out of this count.
settled() {
  local best_f=999999 best_t=999999 f t _p _t _c _u
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    read -r _p f _t _c _u <<<"$(figures prog)"
    t=$(cat /proc/"$prog"/task/*/comm 2>/dev/null | grep -Evc '^(pool-|VBlankMonitor$)')
    [ "$f" -lt "$best_f" ] && best_f=$f
    [ "$t" -lt "$best_t" ] && best_t=$t
    sleep 0.1
  done
  echo "$best_f $best_t"
}
# The songs shown, one line per change of song.
titles() { cut -f2 "$work/tracks" | grep -v '^-$' | uniq || true; }

hz=$(getconf CLK_TCK)
declare -A last_ticks
header() {
  printf '%5s %5s %4s %5s | %-27s | %-27s | %-27s\n' "" "" "" "" "program" "web process" "network process"
  printf '%5s %5s %4s %5s |%s|%s|%s\n' min songs diff files \
    "$(printf ' %6s %6s %3s %3s %4s ' PSS Anon fds thr cpu%)" \
    "$(printf ' %6s %6s %3s %3s %4s ' PSS Anon fds thr cpu%)" \
    "$(printf ' %6s %6s %3s %3s %4s ' PSS Anon fds thr cpu%)"
}
sample() {  # one row; raw figures go to samples.tsv
  local now c pss anon fds thr ticks cpu files shown distinct
  now=$((${EPOCHREALTIME%.*} - t0))
  shown=$(titles | wc -l)
  shown=$(titles | wc -l)
  distinct=$(titles | sort -u | wc -l)
  files=$(find "$folder" -type f 2>/dev/null | wc -l)
  local raw="$now $shown $distinct $files"
  local out
  out=$(printf '%5.1f %5d %4d %5d' "$(awk -v s="$now" 'BEGIN { print s / 60 }')" "$shown" "$distinct" "$files")
  for c in prog web net; do
    read -r pss fds thr ticks anon <<<"$(figures "$c")"
    cpu=$(awk -v a="$ticks" -v b="${last_ticks[$c]:-$ticks}" -v hz="$hz" -v s="$interval" \
      'BEGIN { printf "%.1f", 100 * (a - b) / hz / s }')
    last_ticks[$c]=$ticks
    raw+=" $pss $anon $fds $thr $cpu"
    out+=$(printf ' | %6.1f %6.1f %3d %3d %4s' "$(awk -v k="$pss" 'BEGIN { print k / 1024 }')" \
      "$(awk -v k="$anon" 'BEGIN { print k / 1024 }')" "$fds" "$thr" "$cpu")
  done
  echo "$raw" >>"$work/samples.tsv"
  echo "$out"
}

# Fault stretches: [start s, end s, kind]. The run begins and ends without faults.
stretches=()
if [ "$ci" = 1 ]; then
  # Short where they stop the watcher: every second without songs costs two of them.
  stretches=("25 27 errors" "55 57 stall" "85 87 drops" "115 125 coverhost" "145 155 stream")
else
  kinds=(errors stall drops coverhost stream)
  k=0
  for ((s = 180; s + 180 + 120 <= total_s; s += 300)); do
    stretches+=("$s $((s + 180)) ${kinds[k % 5]}")
    k=$((k + 1))
  done
fi
press() {  # press METHOD [INTERFACE]: the desktop's media controls, as a listener uses them
  gdbus call --session --dest "$mpris" --object-path /org/mpris/MediaPlayer2 \
    --method "${2:-org.mpris.MediaPlayer2.Player}.$1" >/dev/null 2>&1 || echo "no $1" >&2
}
api_song=/api/station/tidemark/current_song
fault() { control POST /faults "$1" || echo "fault not set: $1" >&2; }
fault_on() {
  case $1 in
    errors) fault "{\"path\": \"$api_song\", \"kind\": \"error500\"}"
      fault '{"path": "/api/time", "kind": "not_json"}' ;;
    stall) fault "{\"path\": \"$api_song\", \"kind\": \"stall\", \"stall_seconds\": 3}"
      fault '{"path": "/api/time", "kind": "stall", "stall_seconds": 3, "before_headers": true}' ;;
    drops) fault "{\"path\": \"$api_song\", \"kind\": \"drop\"}"
      fault '{"path": "/api/time", "kind": "drop"}' ;;
    coverhost) fault '{"path": "/tidemark-radio/Covers/dateien.txt", "kind": "drop"}' ;;
    stream) control POST /streams/cut '{}' || true
      fault '{"path": "/stream/tidemark", "kind": "drop"}' ;;
  esac
}
# During a stream stretch the player's new connections are dropped too; cut again now
# and then so that a player that got through loses it once more.
fault_tick() { [ "$1" = stream ] && control POST /streams/cut '{}' || true; }

echo "soak: $minutes min, a song every $song_s s ($nsongs songs), samples every $interval s," \
  "faults: ${#stretches[@]} stretches; station on 127.0.0.1:$port in a private namespace"
header
next_sample=$interval
first_song_figures=
ends=()
active=
for ((sec = 1; sec <= total_s; sec++)); do
  sleep_until=$((t0 + sec))
  while [ "${EPOCHREALTIME%.*}" -lt "$sleep_until" ]; do sleep 0.2; done
  if ! kill -0 "$prog" 2>/dev/null; then
    code=0
    wait "$prog" || code=$?
    echo "the program ended after $sec s with status $code (over 128: signal)" >&2
    exit 1
  fi
  [ -n "${SOAK_KEEP:-}" ] && echo "$sec $(figures prog) $(ls -l /proc/$prog/fd 2>/dev/null | awk '{print $NF}' | sort | tr '\n' ' ') $(cat /proc/$prog/task/*/comm 2>/dev/null | sort | tr '\n' ' ')" >>"$work/trace"
  # The web view's helpers open files and threads of their own in the program for the
  # first seconds, so the reference is the first song after that.
  if [ -z "$first_song_figures" ] && [ "$sec" -ge 15 ]; then
    shown_now=$(titles | wc -l)
    if [ -z "${shown_at_15:-}" ]; then shown_at_15=$shown_now; elif [ "$shown_now" -gt "$shown_at_15" ]; then
      first_song_figures=$(settled)
    fi
  fi
  for s in "${stretches[@]}"; do
    read -r a b kind <<<"$s"
    if [ "$sec" = "$a" ]; then fault_on "$kind"; active=$kind; fi
    if [ "$sec" = "$b" ]; then
      control DELETE /faults || echo "faults not removed" >&2
      # Nobody presses play: the program brings the stream back by itself.
      active=
      ends+=("${EPOCHREALTIME} $kind")
    fi
  done
  [ -n "$active" ] && [ $((sec % 10)) = 0 ] && fault_tick "$active"
  if [ "$sec" = "$next_sample" ]; then
    sample
    next_sample=$((next_sample + interval))
  fi
done

end_figures=$(settled)
# The sink's level over one second, as a fraction of full scale: whether sound still
# comes out after the stream was cut.
HOME="$work/pulse-home" sh -c "parec -d t.monitor --raw --format=s16le --rate=44100 \
  --channels=2 2>/dev/null | head -c 176400" >"$work/level.raw" || true
level=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/level.raw" -n stat 2>&1 |
  awk '/RMS +amplitude/ { printf "%.3f", $3 }')
# After each stretch: seconds until the panel showed a song that had been on air since
# the stretch ended, and until the cover on show was that of a song shown since then.
follow_report() {
  local e end kind
  for e in "${ends[@]}"; do
    read -r end kind <<<"$e"
    awk -F'\t' -v end="$end" -v kind="$kind" -v song="$song_s" '
      function colour(i) { return (i * 37 % 200 + 40) "," (i * 91 % 200 + 40) "," (i * 53 % 200 + 40) }
      function near(a, b,   x, y, k, d) {
        split(a, x, ","); split(b, y, ",")
        for (k = 1; k <= 3; k++) { d = x[k] - y[k]; if (d > 12 || d < -12) return 0 }
        return 1
      }
      $1 > end && panel == "" && $2 != "-" { panel = $1 - end; first = $2 }
      $1 > end && $2 != "-" { n = substr($2, 11) + 0; if (n % 10 != 3 && n % 10 != 7) want = colour(n) }
      $1 > end && cover == "" && want != "" && near($3, want) { cover = $1 - end }
      END {
        limit = 2 * song + 2.5
        ok = panel != "" && panel <= limit && cover != "" && cover <= limit + song
        printf "after %-9s panel %s s, cover %s s%s\n", kind,
          panel == "" ? "never" : sprintf("%.1f", panel), cover == "" ? "never" : sprintf("%.1f", cover),
          ok ? "" : "  LATE"
      }' "$work/tracks"
  done
}
# After each stream stretch: seconds until the media player said "Playing" for good, that
# is for the last time before the next stretch began (a dropped answer plays a moment
# before it ends). The program waits at most a minute between tries.
recovery_report() {
  local e end kind next
  for e in "${ends[@]}"; do
    read -r end kind <<<"$e"
    [ "$kind" = stream ] || continue
    next=$(awk -v end="$end" -v t0="$t0" '{ s = t0 + $1 } s > end { print s; exit }' \
      <<<"$(printf '%s\n' "${stretches[@]}")")
    awk -F'\t' -v end="$end" -v next_start="${next:-1e18}" '
      $1 > end && $1 < next_start { last = $2; at = $1 }
      END {
        if (last == "Playing") printf "after stream    sound back by itself after %.1f s%s\n", at - end, at - end <= 65 ? "" : "  LATE"
        else printf "after stream    sound not back (last status: %s)  LATE\n", last == "" ? "none" : last
      }' "$work/playback"
  done
}
echo "program fds, threads after the first song: $first_song_figures; at the end: $end_figures"
follow=$(follow_report)
echo "$follow"
recovery=$(recovery_report)
echo "$recovery"
if [ -s "$work/playback" ]; then
  echo "playback: $(awk -F'\t' -v t0="$t0" '{ printf "%s %.0f s, ", $2, $1 - t0 }' "$work/playback")at the end $(tail -n1 "$work/playback" | cut -f2)"
fi
echo "sound at the end: RMS ${level:-none} of full scale; stream requests: $(curl -sf \
  "http://127.0.0.1:$port/control/requests" | jq '[.requests[] | select(.path == "/stream/tidemark")] | length')"

# Growth: mean of the last third of the samples less the mean of the first third. Memory
# in MiB (PSS and anonymous), the rest in counts and % of one core.
awk -v n="$(wc -l <"$work/samples.tsv")" -v minutes="$minutes" '
  { third = int(n / 3); if (third < 1) third = 1
    for (k = 4; k <= NF; k++) {
      if (NR <= third) a[k] += $k / third
      if (NR > n - third) b[k] += $k / third
      v[NR, k] = $k
    }
    t[NR] = $1 }
  END {
    split("files prog_pss prog_anon prog_fds prog_thr prog_cpu web_pss web_anon web_fds web_thr web_cpu net_pss net_anon net_fds net_thr net_cpu", name, " ")
    # The program alone over the last 40 minutes: mean of three samples at either end.
    if (minutes >= 45) {
      for (r = 1; r <= n && t[r] < t[n] - 2400; r++);
      for (k = 5; k <= 6; k++) {
        s0 = (v[r, k] + v[r + 1, k] + v[r + 2, k]) / 3
        s1 = (v[n - 2, k] + v[n - 1, k] + v[n, k]) / 3
        d[k] = (s1 - s0) / 1024
      }
      printf "program over the last 40 minutes: PSS %+.2f MiB, anonymous %+.2f MiB\n", d[5], d[6]
    }
    line = "growth (last third less first third):"
    for (k = 4; k <= 19; k++) {
      x = b[k] - a[k]
      if (name[k - 3] ~ /(pss|anon)$/) line = line sprintf(" %s %+.2f", name[k - 3], x / 1024)
      else line = line sprintf(" %s %+.1f", name[k - 3], x)
    }
    print line
  }' "$work/samples.tsv" >"$work/growth"

status=0
if [ "$ci" = 1 ]; then
  shown=$(titles | wc -l)
  distinct=$(titles | sort -u | wc -l)
  # The program leaves by its own quit, which writes the preferences. Quitting stops the
  # watcher where it is, so a cover being downloaded would stay: the clock stops first,
  # and with no song change no cover run starts.
  control POST /clock '{"speed": 0}' || true
  sleep 2
  press Quit org.mpris.MediaPlayer2
  for _ in $(seq 100); do kill -0 "$prog" 2>/dev/null || break; sleep 0.1; done
  # The media player's cover file lives in its own sub-folder and one stays, by design.
  listing=$(cd "$folder" 2>/dev/null && find . -mindepth 1 | sort | sed 's|^\./||' | tr '\n' ' ' || true)
  left=$(cd "$folder" 2>/dev/null && find . -mindepth 1 -not -path './mpris' -not -path './mpris/*' |
    sort | tr '\n' ' ' || true)
  art=$(find "$folder/mpris" -type f 2>/dev/null | wc -l)

  echo "songs shown: $shown, different: $distinct"
  echo "application folder at the end: $listing"
  check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; status=1; fi; }
  check "fds and threads at the end equal those after the first song" \
    '[ -n "$first_song_figures" ] && [ "$first_song_figures" = "$end_figures" ]'
  check "the application folder holds only preferences.json, cover.txt and one media-player cover" \
    '[ "$left" = "./cover.txt ./preferences.json " ] && [ "$art" = 1 ]'
  check "at least 100 different songs shown" '[ "$distinct" -ge 100 ]'
  check "the panel and the cover follow the station after every fault stretch" \
    '! grep -q "LATE\|never" <<<"$follow"'
  check "the sound comes back by itself within 65 s after every stream stretch" \
    '[ -n "$recovery" ] && ! grep -q "LATE" <<<"$recovery"'
fi
cat "$work/growth"
exit "$status"
