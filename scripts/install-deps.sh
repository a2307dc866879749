#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Ostrel.
#   --missing   prints the packages that are not installed yet (one a line) and installs nothing
set -euo pipefail
PACKAGES=(
  g++ cmake ninja-build pkg-config git ca-certificates
  qt6-base-dev libsqlcipher-dev mdbtools-dev libzip-dev libssl-dev
  libicu-dev libgtest-dev poppler-utils fonts-wqy-microhei qt6-translations-l10n
  python3 python3-openpyxl python3-xlwt
)
if [ "${1:-}" = "--missing" ]; then
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
  exit 0
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${PACKAGES[@]}"
