#!/usr/bin/env bash
# Installs what is needed, builds, installs the program into its folder, creates the
# database there when there is none, and starts the program.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${OSTREL_BUILD_DIR:-$here/build}"
prog="${OSTREL_HOME:-$HOME/Ostrel}"

bash "$here/scripts/install-deps.sh"   # only what is missing, waiting for the package lock
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
cmake --install "$build" --prefix "$prog"

if [ ! -e "$prog/Ostrel.mdb" ]; then
  echo "Creating a new database in $prog:"
  "$prog/ostrel-newdb" "$prog"
  echo "(Change the password after the first log-in.)"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: set DISPLAY (or QT_QPA_PLATFORM) to show the program's windows." >&2
fi
exec "$prog/Ostrel"
