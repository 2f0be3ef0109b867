#!/usr/bin/env bash
# run_on_x.sh PROGRAM [ARGS...]: runs one interaction test program on a private X
# server (Xvfb on a display of its own, so tests can run side by side) with a window
# manager (openbox) managing it, as on a user's desktop: real activation, stacking
# and modality. Everything started here ends with the script, however the test ends.
set -u
tmp="$(mktemp -d "${TMPDIR:-/tmp}/qor_x.XXXXXX")"
xvfb=""
wm=""
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number once it takes connections.
# Both pipes are held open both ways here, so a reader never hangs on a writer that died.
mkfifo "$tmp/display" "$tmp/wm"
exec 4<>"$tmp/display" 5<>"$tmp/wm"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
if ! read -r -t 20 -u 4 number; then
  echo "run_on_x: Xvfb did not start" >&2
  cat "$tmp/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$number"

# The window manager says when it manages the screen; its cache and settings stay here.
XDG_CONFIG_HOME="$tmp" XDG_CACHE_HOME="$tmp" \
  openbox --sm-disable --startup "sh -c 'echo up >\"$tmp/wm\"'" >"$tmp/wm.log" 2>&1 &
wm=$!
if ! read -r -t 20 -u 5 _; then
  echo "run_on_x: openbox did not start on $DISPLAY" >&2
  cat "$tmp/wm.log" >&2
  exit 1
fi

exec 4>&- 5>&-
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$tmp"
export QOR_INTERACTION_DISPLAY="$DISPLAY"
# In the background, so that a stop (ctest's time-out) ends the test and cleans up at once.
"$@" &
test=$!
trap 'kill "$test" 2>/dev/null; exit 130' INT TERM
wait "$test"
