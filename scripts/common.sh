# Shared by the scripts: where things are, and how to build each target.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
native_build=$root/build/native
win_build=$root/build/win
export VORANDECK_WINEPREFIX=$win_build/wineprefix
export WINEPREFIX=$VORANDECK_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml=" WINEARCH=win64
jobs=${VORANDECK_JOBS:-$(nproc)}

build_native() {
    cmake -S "$root" -B "$native_build" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DVORANDECK_SANITIZE=ON -DVORANDECK_FUZZ=ON >/dev/null
    cmake --build "$native_build" -j "$jobs"
}

build_windows() {
    cmake -S "$root" -B "$win_build" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build "$win_build" -j "$jobs"
}

# The first start of a Wine prefix takes a while; do it once per build tree.
init_wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Initialising the Wine prefix in $WINEPREFIX ..."
        /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
        /usr/lib/wine/wineserver -w || true
    fi
}
