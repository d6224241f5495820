#!/usr/bin/env bash
# Pictures of the main window with a real package open, and of the settings
# dialog, for the documentation: docs/main-window.png and docs/settings-dialog.png.
# They are taken by a small test-side program that drives the real windows
# under Wine on a virtual X display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$root/scripts/deps.sh"
build_windows
init_wine_prefix
mkdir -p "$root/docs"
cd "$win_build/tests/win/app"
xvfb-run -a -s "-screen 0 1280x1024x24" "$root/cmake/wine-run.sh" ./app_screenshots.exe "$root/docs"
echo "Wrote $root/docs/main-window.png and $root/docs/settings-dialog.png"
