#!/usr/bin/env bash
# Installs what building, running and testing need, from Debian's packages.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-svg-dev libgl-dev libgtest-dev libgmock-dev iproute2 util-linux procps
          desktop-file-utils appstream xvfb xdotool imagemagick x11-utils fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
