#!/usr/bin/env bash
# Set-up, build, and a demo installation under demo/: a program folder and a machine
# root side by side, with what the system can do so far.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh"
build="${QOR_BUILD_DIR:-$here/build}"
demo="${QOR_DEMO_DIR:-$here/demo}"
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
