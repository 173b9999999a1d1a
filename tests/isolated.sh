#!/bin/sh
# Runs one test process apart from the machine and from every other test: a network
# namespace of its own (its own loopback, so no other program's connection can hold the
# station port and no other test's server can answer it), and its own working
# directory, home and runtime folder, removed afterwards. Nothing it inherits from a
# desktop session (display, session bus, sound server) reaches it.
set -u
# A new namespace starts with the kernel's default port range; tests compare against the machine's.
SP_MACHINE_PORT_RANGE=$(cat /proc/sys/net/ipv4/ip_local_port_range 2>/dev/null || true)
export SP_MACHINE_PORT_RANGE
dir=$(mktemp -d "${TMPDIR:-/tmp}/sp-test-XXXXXX") || exit 1
mkdir -p "$dir/work" "$dir/home/.config" "$dir/home/.cache" "$dir/home/.local/share" "$dir/run"
chmod 700 "$dir/run"
export HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_CACHE_HOME="$dir/home/.cache"
export XDG_DATA_HOME="$dir/home/.local/share" XDG_RUNTIME_DIR="$dir/run"
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS PULSE_SERVER
cd "$dir/work" || exit 1

if unshare --net true 2>/dev/null; then
  unshare --net sh -c 'ip link set lo up && exec "$@"' sh "$@"
elif unshare --map-root-user --net true 2>/dev/null; then
  unshare --map-root-user --net sh -c 'ip link set lo up && exec "$@"' sh "$@"
else
  echo "isolated.sh: no network namespace here; running on the machine's loopback" >&2
  "$@"
fi
status=$?
cd / && rm -rf "$dir"
exit "$status"
