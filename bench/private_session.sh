# Sourced by the benches: a desktop session of their own under $work, started with the
# caller's `start LOG COMMAND...` so that its cleanup ends it. Sets `display` and exports
# the bus and sound-server addresses; `session_xserver` and `session_sound` are the pids
# of the X server and the sound server.
start_private_session() {
  # Xvfb picks a free display number itself and reports it.
  start xvfb.log Xvfb -displayfd 3 -screen 0 1280x800x24 -dpi 96 -nolisten tcp 3>"$work/display"
  session_xserver=${pids[-1]}
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  display=:$(head -n1 "$work/display")
  start bus.log dbus-daemon --session --nofork --address="unix:path=$work/bus"
  mkdir -m 700 "$work/runtime"
  mkdir "$work/pulse-home"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
  export PULSE_SERVER="unix:$work/runtime/pulse/native"
  XDG_RUNTIME_DIR="$work/runtime" HOME="$work/pulse-home" start pulse.log \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --load="module-null-sink sink_name=t" --load="module-native-protocol-unix auth-anonymous=1"
  session_sound=${pids[-1]}
  for _ in $(seq 100); do HOME="$work/pulse-home" pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  HOME="$work/pulse-home" pactl set-default-sink t
}
