#!/usr/bin/env bash
# Configures and builds everything into build/ (or $QOR_BUILD_DIR). Arguments go to the
# configure step, e.g. -DBUILD_TESTING=OFF to build the programs without GoogleTest.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QOR_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
