#!/usr/bin/env bash
# Builds both targets and runs every test: the package core natively under
# AddressSanitizer and UndefinedBehaviorSanitizer (plus a short fuzzing run), then
# the Windows build under Wine, with an X display from Xvfb for the GUI tests.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"

build_native
ctest --test-dir "$native_build" --output-on-failure
if [ -x "$native_build/fuzz/fuzz_open" ]; then
    echo "Fuzzing both package formats, a bounded run of each target ..."
    "$root/fuzz/fuzz.sh" "$native_build" --runs
fi

build_windows
init_wine_prefix
# A screen as large as those shown at 200 %: the main window at 192 DPI is
# larger than 1280 x 1024 before it has grown at all.
xvfb-run -a -s "-screen 0 2560x2048x24" bash -c '
    /usr/lib/wine/wineserver -p
    # Bring the prefix'"'"'s services up before the first test, so no test pays for
    # (or races with) their start.
    /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 || true
    status=0
    # A Wine process now and then fails to exit after its tests have finished;
    # such a timeout, and only a timeout, is run once more.
    ctest --test-dir "$0" --output-on-failure --repeat after-timeout:2 || status=$?
    /usr/lib/wine/wineserver -k || true
    exit $status' "$win_build"

# The benchmark at small sizes, so that it keeps working; the full run is
# ./bench/run.sh on its own.
"$root/bench/run.sh" --smoke

# The release as users get it: built, signed with a throw-away certificate, then
# installed, opened, upgraded and removed under Wine in a fresh prefix of its own.
"$root/tests/release/run.sh"
