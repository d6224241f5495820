#!/usr/bin/env bash
# Runs a Windows executable under Wine with a private prefix in the build tree.
# VORANDECK_WINEPREFIX may point elsewhere; otherwise the prefix sits beside the
# current working directory's build tree (ctest runs tests from inside it).
set -euo pipefail
here=$(pwd)
if [ -z "${VORANDECK_WINEPREFIX:-}" ]; then
    dir=$here
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    [ -f "$dir/CMakeCache.txt" ] || dir=$here
    VORANDECK_WINEPREFIX=$dir/wineprefix
fi
export WINEPREFIX=$VORANDECK_WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=win64
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
# With no window manager (Xvfb) Wine waits up to two seconds for each managed
# window to be withdrawn when it closes, so every message box and dialog would
# cost two seconds; unmanaged windows close at once and behave alike otherwise.
if ! grep -qs '^"Managed"="N"' "$WINEPREFIX/user.reg"; then
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
fi
exec "$wine" "$@"
