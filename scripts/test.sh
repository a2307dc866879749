#!/usr/bin/env bash
# Builds everything and runs every test. On a Debian machine that lacks a package the
# build needs, installs the packages first (scripts/install-deps.sh, as start.sh does).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
if command -v dpkg-query >/dev/null 2>&1; then
  bash "$here/scripts/install-deps.sh"   # only what is missing
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300
