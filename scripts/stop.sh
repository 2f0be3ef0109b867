#!/usr/bin/env bash
# Stops what runs from one installation: its service, through the service manager, and
# the panel and tray programs that run from its program folder under this account.
# Nothing of another installation or another account is touched.
#   bash scripts/stop.sh            the demo installation (demo/, or $QOR_DEMO_DIR)
#   bash scripts/stop.sh FOLDER     the installation whose program folder is FOLDER, on
#                                   the machine root $QOR_MACHINE_ROOT (default /var/lib/qor-machine)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
case "${1:-}" in
  -h|--help) sed -n '2,7s/^# \{0,1\}//p' "$0"; exit 0 ;;
esac
if [ $# -gt 1 ]; then
  echo "stop: one program folder at most" >&2
  exit 2
fi
if [ $# -eq 1 ]; then
  if [ ! -d "$1" ]; then
    echo "stop: $1 is not a folder" >&2
    exit 2
  fi
  prog="$(cd "$1" && pwd -P)"
  machine="${QOR_MACHINE_ROOT:-/var/lib/qor-machine}"
else
  demo="${QOR_DEMO_DIR:-$here/demo}"
  [ -d "$demo/prog" ] || exit 0
  prog="$(cd "$demo/prog" && pwd -P)"
  machine="$demo/machine"
fi

# The processes of this account whose program is one of the named files of the folder.
pids_of() {
  local pid name
  for name in "$@"; do
    for pid in $(pgrep -u "$(id -u)" -x "$name" || true); do
      if [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$prog/$name" ]; then echo "$pid"; fi
    done
  done
}
wait_gone() { # seconds, pids...
  local tries=$(( $1 * 10 )) pid alive
  shift
  for _ in $(seq 1 "$tries"); do
    alive=0
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ "$alive" = 0 ] && return 0
    sleep 0.1
  done
  return 1
}

# The service, when the one the manager runs is this folder's program.
sc=(env QOR_PROGRAM_DIR="$prog/" QOR_MACHINE_ROOT="$machine/" "$prog/qorsc")
if [ -x "$prog/qorsc" ]; then
  pid="$("${sc[@]}" query qoripsvc 2>/dev/null | sed -n 's/^PID: \([0-9]*\)$/\1/p' || true)"
  if [ -n "$pid" ] && [ "$pid" != 0 ] && [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$prog/qoripsvc" ]; then
    supervisors="$(for s in $(pids_of qorsc); do
      if grep -qz '^supervise$' "/proc/$s/cmdline" 2>/dev/null; then echo "$s"; fi; done)"
    "${sc[@]}" stop qoripsvc > /dev/null 2>&1 || true
    if wait_gone 30 "$pid" $supervisors; then
      echo "stop: service qoripsvc stopped"
    else
      echo "stop: service qoripsvc (process $pid) did not stop" >&2
    fi
  fi
fi

# The panel and the tray program; what a polite end leaves running is ended hard.
pids="$(pids_of QorIP QoripPanel)"
if [ -n "$pids" ]; then
  kill $pids 2>/dev/null || true
  wait_gone 5 $pids || kill -KILL $pids 2>/dev/null || true
  echo "stop: panel and tray programs ended ($(echo $pids))"
fi
