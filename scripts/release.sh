#!/usr/bin/env bash
# Builds what a release ships into dist/ (or $VORANDECK_DIST):
#   Vorandeck-VERSION-x64.msi      the Windows installer (installer/)
#   Vorandeck-VERSION-x64.zip      the same programs, portable
#   vorandeck-cli_VERSION_ARCH.deb the command-line tool for Debian and Ubuntu
#   SHA256SUMS                     over the three
# Two runs on the same commit give the same bytes: every time is the last
# commit's (SOURCE_DATE_EPOCH), the binaries carry no build folder and no link
# time, and the archives hold their files in one order with one owner.
# With VORANDECK_SIGN_PFX (and VORANDECK_SIGN_PASSWORD) set, both executables,
# Explorer's handlers (vorandeck-shell.dll) and the installer are signed with Authenticode and the signatures checked.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"

dist=${VORANDECK_DIST:-$root/dist}
release_win=$root/build/release-win
release_native=$root/build/release-native
version=$(sed -n 's/^project(Vorandeck VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
umask 022
start=$(date +%s)

echo "Building Vorandeck $version for Windows ..."
cmake -S "$root" -B "$release_win" -DCMAKE_BUILD_TYPE=Release -DVORANDECK_TESTS=OFF \
    -DVORANDECK_RELEASE=ON -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$release_win" -j "$jobs" --target vorandeck vorandeck-cli vorandeck-shell

echo "Building vorandeck-cli $version for Linux ..."
# Debian's hardening flags, without debugging information.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS | sed 's/-g //')"
cmake -S "$root" -B "$release_native" -DCMAKE_BUILD_TYPE=Release -DVORANDECK_TESTS=OFF \
    -DVORANDECK_RELEASE=ON -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    >/dev/null
cmake --build "$release_native" -j "$jobs" --target vorandeck-cli

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
rm -rf "$dist"
mkdir -p "$dist"

# The Windows files, as installed and as zipped; texts with Windows line ends.
win=$stage/Vorandeck-$version
mkdir -p "$win"
cp "$release_win/app/vorandeck.exe" "$release_win/cli/vorandeck-cli.exe" \
    "$release_win/shell/vorandeck-shell.dll" "$win"/
sed 's/$/\r/' "$root/LICENSE" >"$win/LICENSE.txt"
sed 's/$/\r/' "$root/THIRD-PARTY-NOTICES" >"$win/THIRD-PARTY-NOTICES.txt"

sign() {
    osslsigncode sign -pkcs12 "$VORANDECK_SIGN_PFX" -pass "${VORANDECK_SIGN_PASSWORD:-}" \
        -h sha256 -n Vorandeck -time "$SOURCE_DATE_EPOCH" -in "$1" -out "$1.signed" >/dev/null
    mv "$1.signed" "$1"
    # Checked against the certificates the PFX carries, or VORANDECK_SIGN_CA's.
    osslsigncode verify -CAfile "$ca" -in "$1" >/dev/null
    echo "Signed and verified: $(basename "$1")"
}
if [ -n "${VORANDECK_SIGN_PFX:-}" ]; then
    ca=${VORANDECK_SIGN_CA:-$stage/pfx-certificates.pem}
    [ -n "${VORANDECK_SIGN_CA:-}" ] || openssl pkcs12 -in "$VORANDECK_SIGN_PFX" -nokeys \
        -passin "pass:${VORANDECK_SIGN_PASSWORD:-}" -out "$ca"
    sign "$win/vorandeck.exe"
    sign "$win/vorandeck-cli.exe"
    sign "$win/vorandeck-shell.dll"
else
    echo "VORANDECK_SIGN_PFX is not set: nothing is signed."
fi
chmod 0644 "$win"/*
touch -d "@$SOURCE_DATE_EPOCH" "$win"/* "$win"

echo "Packing ..."
"$root/installer/msi.sh" "$win" "$version" "$dist/Vorandeck-$version-x64.msi"
[ -z "${VORANDECK_SIGN_PFX:-}" ] || sign "$dist/Vorandeck-$version-x64.msi"
# -X: no owner or extra times; -D: no folder entries. Zip keeps local times, UTC here.
(cd "$stage" && find "Vorandeck-$version" -type f | sort | zip -X -D -q -@ "$dist/Vorandeck-$version-x64.zip")

"$root/installer/deb.sh" "$release_native/cli/vorandeck-cli" "$version" "$dist"

(cd "$dist" && sha256sum -- *.msi *.zip *.deb >SHA256SUMS)
echo "Release $version in $dist, in $(($(date +%s) - start)) s:"
(cd "$dist" && ls -l -- * | awk '{print "  " $5 "\t" $9}')
