#!/usr/bin/env bash
# Builds everything and runs every test. On a Debian machine that lacks a package the
# build needs, installs the packages first (scripts/install-deps.sh, as start.sh does).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
if command -v dpkg-query >/dev/null 2>&1; then
  missing="$(bash "$here/scripts/install-deps.sh" --missing)"
  if [ -n "$missing" ]; then
    echo "Installing what the build needs:" $missing
    bash "$here/scripts/install-deps.sh"
  fi
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 300
