#!/usr/bin/env bash
# Configures and builds everything into build/ (or $QOR_BUILD_DIR).
#   bash scripts/build.sh [JOBS] [configure arguments...]
# JOBS (a number, else $QOR_JOBS, else the number of cores) compile at once; each
# compiler takes up to 0.5 GB. The other arguments go to the configure step, e.g.
# -DBUILD_TESTING=OFF to build the programs without GoogleTest.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QOR_BUILD_DIR:-$here/build}"
jobs="${QOR_JOBS:-$(nproc)}"
if [ $# -gt 0 ] && [[ "$1" =~ ^[0-9]+$ ]]; then
  jobs="$1"
  shift
fi
if ! [[ "$jobs" =~ ^[1-9][0-9]*$ ]]; then
  echo "build: the job count must be a whole number from 1 up, not '$jobs'" >&2
  exit 2
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$jobs"
