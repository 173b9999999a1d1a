# Helpers for benchmark scripts: the CPU time and PSS of a process and its descendants.
# Source this file.

# Prints the pid and every descendant pid of $1.
tree_pids() {
  local pid=$1
  echo "$pid"
  for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do tree_pids "$child"; done
}

# Ends $1 and waits (up to 5 s) until every process of its tree has gone too: the web
# engine's helpers go by themselves, and the next launch must not meet them. Returns 1
# when $1 had already ended.
stop_tree() {
  local pid=$1 tree p alive ended=0
  tree=$(tree_pids "$pid")
  kill "$pid" 2>/dev/null || ended=1
  wait "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    alive=0
    for p in $tree; do [ -d /proc/"$p" ] && alive=1; done
    [ "$alive" = 0 ] && break
    sleep 0.1
  done
  return "$ended"
}

# CPU seconds (user + system) used so far by the process tree of $1.
tree_cpu_seconds() {
  local ticks=0 hz
  hz=$(getconf CLK_TCK)
  for p in $(tree_pids "$1"); do
    [ -r /proc/"$p"/stat ] || continue
    # Fields 14 and 15 after the command name, which may contain spaces.
    set -- $(sed 's/^.*) //' /proc/"$p"/stat)
    ticks=$((ticks + ${12} + ${13}))
  done
  awk -v t="$ticks" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }'
}

# Proportional set size in MiB summed over the process tree of $1.
tree_pss_mib() {
  local kib=0 v
  for p in $(tree_pids "$1"); do
    v=$(awk '/^Pss:/ { print $2 }' /proc/"$p"/smaps_rollup 2>/dev/null || echo 0)
    kib=$((kib + ${v:-0}))
  done
  awk -v k="$kib" 'BEGIN { printf "%.1f", k / 1024 }'
}
