#!/usr/bin/env bash
# Set-up, build and every test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/setup.sh"
"$here/scripts/build.sh" -DBUILD_TESTING=ON
build="${QOR_BUILD_DIR:-$here/build}"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"${QOR_JOBS:-$(nproc)}"
