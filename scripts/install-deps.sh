#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Ostrel, when some are missing
# (nothing is done, not even updating the package lists, when all are installed).
#   --missing   prints the packages that are not installed yet (one a line) and installs nothing
# Another install holding the package manager's lock (a fresh machine updating itself at
# boot) is waited for, up to OSTREL_APT_WAIT seconds (600 by default).
set -euo pipefail
PACKAGES=(
  g++ cmake ninja-build pkg-config git ca-certificates
  qt6-base-dev libsqlcipher-dev mdbtools-dev libzip-dev libssl-dev
  libicu-dev libgtest-dev poppler-utils fonts-wqy-microhei qt6-translations-l10n
  python3 python3-openpyxl python3-xlwt
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${1:-}" = "--missing" ]; then
  [ "${#missing[@]}" -eq 0 ] || printf '%s\n' "${missing[@]}"
  exit 0
fi
[ "${#missing[@]}" -gt 0 ] || exit 0
echo "Installing what the build needs: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
wait_for="${OSTREL_APT_WAIT:-600}"
deadline=$((SECONDS + wait_for))
# apt-get waits for dpkg's lock with DPkg::Lock::Timeout, but not for the package lists'
# lock that "update" takes: that one is tried again until the wait runs out.
apt_waiting() {
  local log
  log="$(mktemp)"
  while true; do
    if $SUDO apt-get -o "DPkg::Lock::Timeout=$wait_for" "$@" 2>&1 | tee "$log"; then
      rm -f "$log"
      return 0
    fi
    if ! grep -q "Could not get lock" "$log" || [ "$SECONDS" -ge "$deadline" ]; then
      rm -f "$log"
      return 1
    fi
    echo "Waiting for another package install to finish..."
    sleep 5
  done
}
apt_waiting update
apt_waiting install -y --no-install-recommends "${missing[@]}"
