#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Installs the dependencies, builds, and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec ./build/scanvet "$@"
