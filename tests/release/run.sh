#!/usr/bin/env bash
# The release as its users get it: scripts/release.sh signs it with a throw-away
# certificate, then the MSI is installed, used, upgraded and removed under Wine in
# a fresh prefix, the zip is run from a folder with spaces and non-ASCII letters,
# and the Debian package is checked with dpkg-deb and lintian.
set -euo pipefail
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
source "$(dirname "$0")/../../scripts/common.sh"
out=$root/build/release-tests
export WINEPREFIX=$out/wineprefix LC_ALL=C.UTF-8
W=/usr/lib/wine/wine64
version=$(sed -n 's/^project(Vorandeck VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
cli_version="vorandeck-cli $version
Licence: MIT"
failures=0
expect() { # WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] && echo "ok: $1" || { echo "FAIL: $1: got [$2], expected [$3]"; failures=$((failures + 1)); }
}
wine_text() { "$W" "$@" 2>/dev/null | tr -d '\r'; }
reg_value() { wine_text reg query "$1" $([ -n "${2:-}" ] && echo "/v $2" || echo /ve) | sed -n 's/^ *[^ ].* *REG_[A-Z_]* *//p' || true; }
win_path() { wine_text winepath -w "$1"; }

rm -rf "$out" && mkdir -p "$out/cert"
x86_64-w64-mingw32-g++-posix -std=c++17 -O1 -Wall -Wextra -Werror -municode -static -I"$root" \
    "$root/tests/release/window_probe.cpp" "$root/tests/win/support/ui_driver.cpp" \
    -o "$out/window_probe.exe" -lshell32 -lcomdlg32 -lcomctl32 -lole32
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vorandeck test signing" \
    -addext extendedKeyUsage=codeSigning -keyout "$out/cert/key.pem" -out "$out/cert/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$out/cert/key.pem" -in "$out/cert/cert.pem" -passout pass:test \
    -out "$out/cert/test.pfx"
VORANDECK_DIST=$out/dist VORANDECK_SIGN_PFX=$out/cert/test.pfx VORANDECK_SIGN_PASSWORD=test \
    "$root/scripts/release.sh" | grep -E "^(Signed|Release)"
msi=$(win_path "$out/dist/Vorandeck-$version-x64.msi")
unzip -q "$out/dist/Vorandeck-$version-x64.zip" -d "$out/Vorandeck für Tests 日本"
portable="$out/Vorandeck für Tests 日本/Vorandeck-$version"
expect "SHA256SUMS holds the three" "$(cd "$out/dist" && sha256sum -c SHA256SUMS | grep -c ': OK$')" 3
verifies() { osslsigncode verify -CAfile "$out/cert/cert.pem" -in "$1" >/dev/null 2>&1 && echo yes || echo no; }
for f in "$out/dist/Vorandeck-$version-x64.msi" "$portable/vorandeck.exe" "$portable/vorandeck-cli.exe"; do
    expect "signature verifies: ${f##*/}" "$(verifies "$f")" yes
done
expect "an unsigned program does not verify" "$(verifies "$root/build/release-win/app/vorandeck.exe")" no

"$W" wineboot --init >/dev/null 2>&1 && /usr/lib/wine/wineserver -w
folder='C:\Program Files\Vorandeck'
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
# Its entries: Wine adds and leaves empty ones around the entry it adds.
path_entries() { reg_value "$env_key" PATH | tr ';' '\n' | { grep -v '^$' || true; } | tr '\n' ';'; }
system_path=$(path_entries)
entries() { wine_text reg query "$uninstall" /s | grep -c "DisplayName *REG_SZ *Vorandeck$" || true; }
# What an install leaves: program files, shortcut, Add/Remove entries,
# association, PATH and the installer's own key.
state() {
    echo "files=$(ls "$WINEPREFIX/drive_c/Program Files/Vorandeck" 2>/dev/null | tr '\n' ' ')" \
        "shortcut=$(find "$WINEPREFIX/drive_c" -path "*Start Menu/Programs/Vorandeck.lnk" | grep -c . || true)" \
        "entries=$(entries) sis=$(reg_value 'HKCR\.sis') sisx=$(reg_value 'HKCR\.sisx')" \
        "command=$(reg_value 'HKCR\Vorandeck.Package\shell\open\command')" \
        "path=$(p=$(path_entries); [ "$p" = "$system_path" ] && echo kept || echo "${p#"$system_path"}")" \
        "keys=$(wine_text reg query 'HKLM\Software\Vorandeck\Installer' | grep -c REG_ || true)"
}
removed="files= shortcut=0 entries=0 sis= sisx= command= path=kept keys=0"
installed() { # ASSOCIATED PATH_ADDED
    local association="sis=Vorandeck.Package sisx=Vorandeck.Package command=\"$folder\\vorandeck.exe\" \"%1\""
    [ "$1" = yes ] || association="sis= sisx= command="
    local path="path=kept keys=1"
    [ "$2" = no ] || path="path=$folder\\; keys=2"
    echo "files=LICENSE.txt THIRD-PARTY-NOTICES.txt vorandeck-cli.exe vorandeck.exe  shortcut=1 entries=1 $association $path"
}
while IFS='|' read -r properties associated path_added; do
    # shellcheck disable=SC2086 # the properties are words of their own
    wine_text msiexec /i "$msi" /qn $properties || true
    expect "install with [$properties]" "$(state)" "$(installed "$associated" "$path_added")"
    expect "installed cli --version" "$(wine_text "$folder\\vorandeck-cli.exe" --version)" "$cli_version"
    wine_text msiexec /x "$msi" /qn || true
    expect "removal after [$properties]" "$(state)" "$removed"
done <<'EOF'
|yes|no
ASSOCIATE=0 ADDTOPATH=1|no|yes
ADDLOCAL=ALL REMOVE=Association|no|yes
EOF
wine_text msiexec /i "$msi" /qn || true
key=$(wine_text reg query "$uninstall" /s | awk '/^HKEY/ {k = $0} /DisplayName *REG_SZ *Vorandeck$/ {print k}')
expect "Add/Remove entry" "$(for v in DisplayVersion Publisher HelpLink; do reg_value "$key" $v; done | tr '\n' ' ')" \
    "$version The Vorandeck developers https://github.com/vorandeck/vorandeck "
icon=$(wine_text reg query 'HKCR\Installer\Products' /s | sed -n 's/.*ProductIcon *REG_SZ *//p' || true)
expect "Add/Remove icon is there" "${icon##*\\} $(wine_text cmd /c if exist "$icon" echo yes)" "vorandeck.ico yes"

# Opened through the association, and by the program from the unpacked zip:
# the window shows what the installed command line lists.
shared=$root/../shared/testdata
if [ -d "$shared/real" ]; then
    mkdir -p "$WINEPREFIX/drive_c/Pakete für Tests 日本"
    while IFS='|' read -r source name; do
        package="C:\\Pakete für Tests 日本\\$name"
        cp "$shared/$source" "$WINEPREFIX/drive_c/Pakete für Tests 日本/$name"
        listed="path=$package
about=Vorandeck $version|Shows, lists and extracts the contents of EPOC SIS installation packages.|Licence: MIT
$(wine_text "$folder\\vorandeck-cli.exe" list "$package" | sort)"
        for program in "" "$(win_path "$portable/vorandeck.exe")"; do
            wine_text "$(win_path "$out/window_probe.exe")" ${program:+"$program"} "$package" 'C:\shown.txt' || true
            shown=$WINEPREFIX/drive_c/shown.txt
            expect "window shows $name${program:+ (zip)}" "$(head -2 "$shown"; tail -n +3 "$shown" | sort)" "$listed"
        done
    done <<'EOF'
real/psion-netbook-CALC.SIS|calc ö.sis
sisx/appinstall-Hello_sis.sis|hello world ö.sisx
EOF
else
    echo "SKIPPED: opening shared packages, $shared is absent"
fi
expect "zip cli --version" "$(wine_text "$(win_path "$portable/vorandeck-cli.exe")" --version)" "$cli_version"

# The next version: the same files in an installer with the version raised.
next=${version%.*}.$((${version##*.} + 1))
"$root/installer/msi.sh" "$portable" "$next" "$out/next.msi"
wine_text msiexec /i "$(win_path "$out/next.msi")" /qn || true
expect "upgrade leaves one entry, of $next" \
    "$(entries) $(wine_text reg query "$uninstall" /s | grep -c "DisplayVersion *REG_SZ *$next$")" "1 1"
wine_text msiexec /i "$msi" /qn && downgrade=installed || downgrade=refused
expect "a downgrade is refused" "$downgrade $(entries)" "refused 1"
wine_text msiexec /x "$(win_path "$out/next.msi")" /qn || true
expect "removal of the upgrade" "$(state)" "$removed"
/usr/lib/wine/wineserver -k || true

deb=$out/dist/vorandeck-cli_${version}_$(dpkg --print-architecture).deb
expect "deb fields" "$(dpkg-deb -f "$deb" Package Version | tr '\n' ' ')" "Package: vorandeck-cli Version: $version "
expect "deb depends" "$(dpkg-deb -f "$deb" Depends | grep -o 'libssl3\|zlib1g' | tr '\n' ' ')" "libssl3 zlib1g "
expect "deb files" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | tr '\n' ' ')" \
    "./usr/bin/vorandeck-cli ./usr/share/doc/vorandeck-cli/changelog.gz ./usr/share/doc/vorandeck-cli/copyright ./usr/share/man/man1/vorandeck-cli.1.gz "
dpkg-deb -x "$deb" "$out/deb"
expect "manual page" "$(zcat "$out/deb/usr/share/man/man1/vorandeck-cli.1.gz" |
    grep -c -E '^\.TH VORANDECK-CLI "1" .*"vorandeck-cli '"$version"'"|^\.SS (list|info|check|extract|inventory)$')" 6
expect "deb cli --version" "$("$out/deb/usr/bin/vorandeck-cli" --version)" "$cli_version"
expect "lintian" "$(lintian --fail-on error,warning "$deb" 2>&1 | grep -v '^running with root' || true)" ""
echo "$failures failed"
[ "$failures" -eq 0 ]
