#!/usr/bin/env bash
# Installs what building and testing Holdervane needs on Debian 12.
# Skips apt entirely when everything is already there.
set -euo pipefail
PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          util-linux procps iproute2 python3 ccache
          libblkid-dev e2fsprogs qt6-base-dev qt6-qpa-plugins xvfb xauth fonts-dejavu-core)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
