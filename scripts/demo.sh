#!/usr/bin/env bash
# Set-up, build, and a demo installation under demo/: a program folder and a machine
# root side by side, with what the system can do so far.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
build="${QOR_BUILD_DIR:-$here/build}"
demo="${QOR_DEMO_DIR:-$here/demo}"
# A service left running by an earlier demo is stopped before its folders go.
if [ -x "$demo/prog/qorsc" ]; then
  QOR_PROGRAM_DIR="$demo/prog/" QOR_MACHINE_ROOT="$demo/machine/" "$demo/prog/qorsc" stop qoripsvc >/dev/null 2>&1 || true
  for _ in $(seq 1 100); do
    pgrep -f "^$demo/prog/(qoripsvc|qorsc supervise)" >/dev/null || break
    sleep 0.1
  done
  pkill -f "^$demo/prog/(qoripsvc|qorsc supervise)" 2>/dev/null || true
fi
rm -rf "$demo"
mkdir -p "$demo/prog/iis/log" "$demo/prog/log" "$demo/machine/Windows/System32"
export QOR_PROGRAM_DIR="$demo/prog/" QOR_MACHINE_ROOT="$demo/machine/"
for p in "$build"/bin/*; do
  [ -f "$p" ] && cp "$p" "$demo/prog/"
done
cat > "$demo/machine/machine.ini" <<INI
[machine]
os_platform=2
os_major=6
os_minor=1
os_build=7601
computer_name=QORDEMO
admin_group=Administrators
iis_generation=7
adsi=1
wmi=1
system_drive_size=107374182400
system_folder_created=1262304000
processor_count=4
INI
for step in "$here"/scripts/demo.d/*.sh; do
  [ -f "$step" ] && . "$step"
done
echo "demo: installation in $demo (program folder prog/, machine root machine/)"
echo "demo: open the panel on it yourself (a display is needed) with:"
echo "  QOR_MACHINE_ROOT=$demo/machine/ $demo/prog/QorIP"
echo "demo: the service keeps running; stop it with:"
echo "  QOR_PROGRAM_DIR=$demo/prog/ QOR_MACHINE_ROOT=$demo/machine/ $demo/prog/qorsc stop qoripsvc"
echo "demo: the panel starts the tray program QoripPanel, which keeps running after it; its menu ends it"
