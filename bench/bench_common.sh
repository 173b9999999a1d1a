# Shared by the benches that run the simulator and the program in the background:
# sourced, not run.

# station_of BUILD_DIR: sets stream_base, stream_url, port and control from the station
# address the build was made with; the simulator serves it on that port.
station_of() {
  stream_base=$(sed -n 's/.*kStreamBase\[\] = "\(.*\)";.*/\1/p' "$1/src/generated/build_config.h")
  stream_url="${stream_base}tidemark"
  port=$(echo "$stream_base" | sed -n 's|^http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p')
  [ -n "$port" ] || { echo "cannot read the station port from $stream_base" >&2; exit 1; }
  control="http://127.0.0.1:$port/control"
}

# A scratch folder for logs, and every helper started with `start` ended at exit.
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

# goodvibes_home HOME: Goodvibes (the peer player) plays a station of its list at start
# when told to: a list with the simulator's stream, chosen, with autoplay; settings in a
# key file of the fresh home (run it with GSETTINGS_BACKEND=keyfile).
goodvibes_home() {
  local home=$1
  mkdir -p "$home/.local/share/goodvibes" "$home/.config/glib-2.0/settings"
  printf '<Stations><Station><name>Tidemark</name><uri>%s</uri></Station></Stations>\n' \
    "$stream_url" >"$home/.local/share/goodvibes/stations.xml"
  printf "[io/gitlab/Goodvibes/Core]\nautoplay=true\nstation-uri='%s'\n" "$stream_url" \
    >"$home/.config/glib-2.0/settings/keyfile"
}
