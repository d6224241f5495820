#!/usr/bin/env bash
# Pictures of the main window with a real package open, of the package inside
# it opened in its place, of the settings dialog, of the package details and of
# Explorer's preview of a package (in the tests' host of the handlers), for the
# documentation, at 100 % and at 150 % (144 DPI): docs/main-window.png,
# docs/inner-package.png, docs/settings-dialog.png, docs/details-window.png,
# docs/preview-pane.png and the same with -150.
# They are taken by a small test-side program that drives the real windows
# under Wine on a virtual X display.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$root/scripts/deps.sh" --screenshots
build_windows
init_wine_prefix
wine=/usr/lib/wine/wine64
# A Wine session started without the X display would keep serving the next
# program too, which then has no display; each registry change ends its own.
wine_reg() {
    "$wine" reg "$@" >/dev/null 2>&1
    /usr/lib/wine/wineserver -w
}

# Wine draws the caption buttons with glyphs of its Marlett font; without it
# the close box shows a letter. Debian's fonts-wine ships it.
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
wine_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
    /v 'Marlett (TrueType)' /d marlett.ttf /f

# The DPI is read when a process starts: one run per DPI.
set_dpi() {
    wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
}
trap 'wine_reg delete "HKCU\\Control Panel\\Desktop" /v LogPixels /f || true' EXIT

mkdir -p "$root/docs"
cd "$win_build/tests/win/app"
for run in "96:" "144:-150"; do
    set_dpi "${run%%:*}"
    xvfb-run -a -s "-screen 0 1600x1200x24" "$root/cmake/wine-run.sh" ./app_screenshots.exe "$root/docs" "${run#*:}"
done
echo "Wrote the main window, the package inside, the settings dialog, the package details and the preview at 100 % and 150 % to $root/docs"
