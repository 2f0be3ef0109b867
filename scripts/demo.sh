#!/usr/bin/env bash
# Set-up, build, and a demo installation under demo/: a program folder and a machine
# root side by side, with what the system can do so far.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
build="${QOR_BUILD_DIR:-$here/build}"
demo="${QOR_DEMO_DIR:-$here/demo}"
# What an earlier demo left running is stopped before its folders go.
"$here/scripts/stop.sh" > /dev/null
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
echo "demo: the uninstall, with the key the demo recorded in $demo/uninstall-key:"
echo "  QOR_MACHINE_ROOT=$demo/machine/ $demo/prog/QorIP \"/unload\$(cat $demo/uninstall-key)\""
echo "demo: the service keeps running, and the tray program the panel starts; stop them with:"
if [ "$demo" = "$here/demo" ]; then
  echo "  bash $here/scripts/stop.sh"
else
  echo "  QOR_DEMO_DIR=$demo bash $here/scripts/stop.sh"
fi
