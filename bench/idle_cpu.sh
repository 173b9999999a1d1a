#!/usr/bin/env bash
# Reports the CPU time the program (with its web helper processes) uses over 10 s of
# idling under Xvfb, after it has settled. A figure to read, not a pass/fail test.
# Usage: bench/idle_cpu.sh [--cover] [path/to/stationplayer]
#   --cover  start with the cover window open and docked (both windows on screen)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/process_tree.sh"
cover=0
if [ "${1:-}" = --cover ]; then
  cover=1
  shift
fi
exe=${1:-$here/../build/release/src/stationplayer}
home=$(mktemp -d)
if [ "$cover" = 1 ]; then
  folder="$home/.config/lumo/Tidemark Drum and Bass FM"
  mkdir -p "$folder"
  printf '{"WindowX": 100, "WindowY": 300, "cWinOpen": 1, "cWindDock": 1, "Preferences": "%s/"}\n' \
    "$folder" >"$folder/preferences.json"
fi
display=:$((200 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $prog $xvfb 2>/dev/null; rm -rf "$home"' EXIT
sleep 1
HOME=$home XDG_CONFIG_HOME=$home/.config DISPLAY=$display NO_AT_BRIDGE=1 "$exe" >/dev/null 2>&1 &
prog=$!
sleep 5
before=$(tree_cpu_seconds "$prog")
sleep 10
after=$(tree_cpu_seconds "$prog")
echo "processes: $(tree_pids "$prog" | wc -l)"
echo "CPU seconds over 10 s idle: $(awk -v a="$after" -v b="$before" 'BEGIN { printf "%.2f", a - b }')"
echo "PSS: $(tree_pss_mib "$prog") MiB"
