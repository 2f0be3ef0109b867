#!/usr/bin/env bash
# Set-up, build and every test. --sanitize: then the same suite again, built with
# AddressSanitizer and UndefinedBehaviorSanitizer (leaks included) in a second build
# folder; any report fails its test.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
sanitize=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=1 ;;
    *) echo "usage: test.sh [--sanitize]" >&2; exit 2 ;;
  esac
done
"$here/scripts/setup.sh"
"$here/scripts/build.sh" -DBUILD_TESTING=ON
build="${QOR_BUILD_DIR:-$here/build}"
export QT_QPA_PLATFORM=offscreen
(cd "$build" && ctest --output-on-failure -j"${QOR_JOBS:-$(nproc)}")
[ "$sanitize" = 1 ] || exit 0

san="$build-sanitize"
QOR_BUILD_DIR="$san" "$here/scripts/build.sh" -DBUILD_TESTING=ON -DQOR_SANITIZE=ON
cd "$san" && ctest --output-on-failure -j"${QOR_JOBS:-$(nproc)}"
