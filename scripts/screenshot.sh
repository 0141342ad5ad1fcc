#!/usr/bin/env bash
# Pictures of the window's three sheets for docs/: the real window on a
# virtual X display, started inside the test lab so nothing can leave the
# machine. Writes docs/window-test-sheet.png, docs/window-result-sheet.png
# and docs/window-config-sheet.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}

bash scripts/ensure-packages.sh xvfb xauth

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j2 --target grab_sheets

mkdir -p docs
bash tests/lab/netlab.sh run -- \
  env QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  "$build/tests/window/grab_sheets" "$PWD/docs"
