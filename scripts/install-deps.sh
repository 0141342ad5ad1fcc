#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs what building, running and testing need, from Debian's packages.
set -euo pipefail
exec bash "$(dirname "$0")/ensure-packages.sh" \
  cmake g++ make qt6-base-dev qt6-svg-dev libqt6sql6-sqlite libqt6sql6-psql libpq-dev pkg-config postgresql-15 libgl-dev libgtest-dev libgmock-dev iproute2 util-linux libcap2-bin procps \
  desktop-file-utils appstream help2man dpkg-dev lintian xvfb xdotool imagemagick x11-utils fonts-dejavu-core \
  dbus at-spi2-core python3 python3-pyatspi ieee-data faketime
