# Helpers for benchmark scripts: the CPU time and PSS of a process and its descendants.
# Source this file.

# Prints the pid and every descendant pid of $1.
tree_pids() {
  local pid=$1
  echo "$pid"
  for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do tree_pids "$child"; done
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
