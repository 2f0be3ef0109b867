#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing; xvfb and
# openbox run the interaction tests on a real X server too (Qt's xcb plugin wants
# libxcb-cursor0).
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config libgtest-dev
          qt6-base-dev libcurl4-openssl-dev fonts-wqy-microhei
          xvfb openbox libxcb-cursor0
          libxtst-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
