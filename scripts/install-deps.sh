#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Ostrel.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  g++ cmake ninja-build pkg-config git ca-certificates \
  qt6-base-dev libsqlcipher-dev mdbtools-dev libfreexl-dev libzip-dev libssl-dev \
  libgtest-dev poppler-utils fonts-wqy-microhei qt6-translations-l10n
