# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Catches a Debian package that lintian finds errors or warnings in: builds it
# from this build folder into a temporary folder (bash lintian_check.sh BUILD_DIR).
set -euo pipefail
build=$1
if ! command -v lintian >/dev/null; then
  # CI sets SCANVET_LAB_REQUIRED=1: a missing tool there must not pass as a skip.
  [ "${SCANVET_LAB_REQUIRED:-0}" = 1 ] && { echo "FAILED: lintian is not installed"; exit 1; }
  echo "SKIPPED: lintian is not installed (bash scripts/install-deps.sh)"; exit 77
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
lintian --fail-on error,warning "$out"/*.deb
