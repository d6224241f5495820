#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine (on Xvfb when no display is set).
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"
build_windows
init_wine_prefix
exe=$win_build/app/vorandeck.exe
if [ -n "${DISPLAY:-}" ]; then
    exec /usr/lib/wine/wine64 "$exe"
fi
echo "No DISPLAY: starting Vorandeck on a virtual screen (xvfb-run)."
exec xvfb-run -a -s "-screen 0 1280x1024x24" /usr/lib/wine/wine64 "$exe"
