#!/usr/bin/env bash
# The release as its users get it: scripts/release.sh signs it with a throw-away
# certificate, then the MSI is installed, used (Explorer's handlers too, through
# a small host that finds them as Explorer does), upgraded and removed under
# Wine in a fresh prefix, the zip is run from a folder with spaces and non-ASCII letters,
# and the Debian package is checked with dpkg-deb and lintian.
set -euo pipefail
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
source "$(dirname "$0")/../../scripts/common.sh"
out=$root/build/release-tests
export WINEPREFIX=$out/wineprefix LC_ALL=C.UTF-8
version=$(sed -n 's/^project(Vorandeck VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
failures=0
expect() { # WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] && echo "ok: $1" || { echo "FAIL: $1: got [$2], expected [$3]"; failures=$((failures + 1)); }
}
wine() { /usr/lib/wine/wine64 "$@" 2>/dev/null | tr -d '\r' || true; }
reg_value() { wine reg query "$1" $([ -n "${2:-}" ] && echo "/v $2" || echo /ve) | sed -n 's/^ *[^ ].* *REG_[A-Z_]* *//p'; }

rm -rf "$out" && mkdir -p "$out"
x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -municode -static -I"$root" -o "$out/window_probe.exe" \
    "$root/tests/release/window_probe.cpp" "$root/tests/win/support/ui_driver.cpp" -lcomdlg32 -lcomctl32 -lole32
x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -municode -static -I"$root" -o "$out/shell_host.exe" \
    "$root/tests/win/shell/shell_host_main.cpp" "$root/tests/win/shell/shell_host.cpp" \
    "$root/tests/win/support/ui_driver.cpp" -lole32 -lshlwapi -luuid -lcomctl32 -lcomdlg32
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vorandeck test" -addext extendedKeyUsage=codeSigning \
    -keyout "$out/key.pem" -out "$out/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$out/key.pem" -in "$out/cert.pem" -passout pass:test -out "$out/test.pfx"
VORANDECK_DIST=$out/dist VORANDECK_SIGN_PFX=$out/test.pfx VORANDECK_SIGN_PASSWORD=test "$root/scripts/release.sh" | tail -4
unzip -q "$out/dist/Vorandeck-$version-x64.zip" -d "$out/Vorandeck für Tests 日本"
zip="$out/Vorandeck für Tests 日本/Vorandeck-$version"
expect "SHA256SUMS and signatures (the last file unsigned)" "$(cd "$out/dist" && sha256sum -c SHA256SUMS | grep -c ': OK$'
    for f in "$out"/dist/*.msi "$zip"/*.exe "$zip"/*.dll "$root/build/release-win/app/vorandeck.exe"; do
        osslsigncode verify -CAfile "$out/cert.pem" -in "$f" >/dev/null 2>&1 && echo yes || echo no; done | xargs)" "3
yes yes yes yes no"

wine wineboot --init && /usr/lib/wine/wineserver -w
msi=$(wine winepath -w "$out/dist/Vorandeck-$version-x64.msi") next=${version%.*}.$((${version##*.} + 1))
folder='C:\Program Files\Vorandeck' uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
env_key='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
# PATH's entries: Wine adds and leaves empty ones around the one it adds.
path_entries() { reg_value "$env_key" PATH | tr ';' '\n' | grep . | tr '\n' ';'; }
system_path=$(path_entries)
# What an install leaves: files, shortcut, Add/Remove entries and versions,
# association, added PATH entries, the installer's own values, and Explorer's
# handlers: the preview handler of .sis, the property handler of .sisx, the
# preview handler's DLL, its entry in PreviewHandlers and the ProgId's details.
preview_class='{92420AD3-0137-4A23-8B77-7F5ED36A9238}'
explorer_keys() {
    echo "| $(reg_value 'HKCR\.sis\ShellEx\{8895b1c6-b41f-4c1c-a562-0d564250836f}')" \
        "$(reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\PropertySystem\PropertyHandlers\.sisx')" \
        "$(reg_value "HKCR\\CLSID\\$preview_class\\InprocServer32")" \
        "$(reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\PreviewHandlers' "$preview_class")" \
        "$(reg_value 'HKCR\Vorandeck.Package' InfoTip | cut -c1-16)"
}
state() {
    echo "$(ls "$WINEPREFIX/drive_c/Program Files/Vorandeck" 2>/dev/null | xargs) |" \
        "$(find "$WINEPREFIX/drive_c" -path "*Start Menu/Programs/Vorandeck.lnk" | wc -l)" \
        "$(wine reg query "$uninstall" /s | grep -A99 'DisplayName *REG_SZ *Vorandeck$' | grep -o 'DisplayVersion .*' | xargs)" \
        "| $(reg_value 'HKCR\.sis') $(reg_value 'HKCR\.sisx') $(reg_value 'HKCR\Vorandeck.Package\shell\open\command') |" \
        "$(p=$(path_entries); echo "${p#"$system_path"}") $(wine reg query 'HKLM\Software\Vorandeck\Installer' | grep -c REG_)" \
        "$(explorer_keys)"
}
files="LICENSE.txt THIRD-PARTY-NOTICES.txt vorandeck-cli.exe vorandeck-shell.dll vorandeck.exe | 1 DisplayVersion REG_SZ"
unshelled="LICENSE.txt THIRD-PARTY-NOTICES.txt vorandeck-cli.exe vorandeck.exe | 1 DisplayVersion REG_SZ"
explorer="| $preview_class {EA97FEE6-6BCC-464C-94CE-898E2E6EAA59} $folder\\vorandeck-shell.dll Vorandeck package preview prop:System.Titl"
no_explorer="|     "
# Explorer's keys below .sis and .sisx make the keys, without the association's values.
unassociated="| (value not set) (value not set)  |"
removed=" | 0  |    |  0 $no_explorer"
associated="| Vorandeck.Package Vorandeck.Package \"$folder\\vorandeck.exe\" \"%1\" |"
while IFS='|' read -r properties expected; do
    # shellcheck disable=SC2086 # properties: words of their own; expected: "$files", "$associated"
    wine msiexec /i "$msi" /qn $properties
    expect "install with [$properties]" "$(state)" "$(eval echo "\"$expected\"")"
    expect "its cli" "$(wine "$folder\\vorandeck-cli.exe" --version)" "vorandeck-cli $version
Licence: MIT"
    wine msiexec /x "$msi" /qn
    expect "then removed" "$(state)" "$removed"
done <<'EOF'
|$files $version $associated  1 $explorer
ASSOCIATE=0 ADDTOPATH=1|$files $version $unassociated $folder\\; 2 $explorer
ADDLOCAL=ALL REMOVE=Association|$files $version $unassociated $folder\\; 2 $explorer
SHELL=0|$unshelled $version $associated  1 $no_explorer
ADDLOCAL=Program,Association|$unshelled $version $associated  1 $no_explorer
EOF
# Turned off after an install: REMOVE names the features to take away.
wine msiexec /i "$msi" /qn
wine msiexec /i "$msi" /qn REMOVE=Explorer
expect "installed, then REMOVE=Explorer" "$(state)" "$unshelled $version $associated  1 $no_explorer"
wine msiexec /x "$msi" /qn
expect "then removed" "$(state)" "$removed"
wine msiexec /i "$msi" /qn
key=$(wine reg query "$uninstall" /s | awk '/^HKEY/ {k = $0} /DisplayName *REG_SZ *Vorandeck$/ {print k}')
icon=$(wine reg query 'HKCR\Installer\Products' /s | sed -n 's/.*ProductIcon *REG_SZ *//p')
expect "Add/Remove entry and icon" "$(reg_value "$key" Publisher), $(reg_value "$key" HelpLink), ${icon##*\\}
$(wine cmd /c if exist "$icon" echo there)" "The Vorandeck developers, https://github.com/vorandeck/vorandeck, vorandeck.ico
there"

# Opened through the association, and by the zip's program: the window shows
# what the installed command line lists, and its About box the version.
shared=$root/../shared/testdata
[ -d "$shared/real" ] || echo "SKIPPED: opening shared packages, $shared is absent"
[ -d "$shared/real" ] && while IFS='|' read -r source name; do
    cp "$shared/$source" "$WINEPREFIX/drive_c/$name"
    for program in "" "$(wine winepath -w "$zip/vorandeck.exe")"; do
        wine "$(wine winepath -w "$out/window_probe.exe")" ${program:+"$program"} "C:\\$name" 'C:\shown.txt'
        expect "window shows $name${program:+ (zip)}" "$(head -4 "$WINEPREFIX/drive_c/shown.txt"
            tail -n +5 "$WINEPREFIX/drive_c/shown.txt" | sort)" "C:\\$name
Vorandeck $version
Shows, lists and extracts the contents of EPOC SIS installation packages.
Licence: MIT
$(wine "$folder\\vorandeck-cli.exe" list "C:\\$name" | sort)"
    done
done <<'EOF'
real/psion-netbook-CALC.SIS|Pakete für Tests 日本 ö.sis
sisx/appinstall-Hello_sis.sis|hello world ö.sisx
EOF
# Explorer's handlers, found through the registry and made as Explorer makes
# them: the pane lists what the command line lists, and names the package as
# its details do, in the summary and the title property.
[ -d "$shared/sisx" ] && {
    previewed='C:\Hallo Welt ö.sisx'
    cp "$shared/sisx/appinstall-Hello_sis.sis" "$WINEPREFIX/drive_c/Hallo Welt ö.sisx"
    wine "$(wine winepath -w "$out/shell_host.exe")" --rows 'C:\previewed.txt' "$previewed"
    name=$(wine "$folder\\vorandeck-cli.exe" info "$previewed" | sed -n 's/^Name[^:]*: //p' | head -1)
    expect "Explorer's preview and properties" \
        "$(grep -E '^(preview|summary|row|property	System.Title)	' "$WINEPREFIX/drive_c/previewed.txt")" "preview	00000000
summary	$name
$(wine "$folder\\vorandeck-cli.exe" list "$previewed" | sed 's/^/row	/')
property	System.Title	$name"
}

expect "zip cli" "$(wine "$(wine winepath -w "$zip/vorandeck-cli.exe")" --version)" "vorandeck-cli $version
Licence: MIT"

# The next version: the same files in an installer with the version raised;
# then the older one again, which is refused.
"$root/installer/msi.sh" "$zip" "$next" "$out/next.msi"
wine msiexec /i "$(wine winepath -w "$out/next.msi")" /qn
/usr/lib/wine/wine64 msiexec /i "$msi" /qn 2>/dev/null && downgrade=installed || downgrade=refused
expect "upgrade in place, downgrade $downgrade" "$(state)" "$files $next $associated  1 $explorer"
wine msiexec /x "$(wine winepath -w "$out/next.msi")" /qn
expect "upgrade removed" "$(state)" "$removed"
/usr/lib/wine/wineserver -k || true

deb=$out/dist/vorandeck-cli_${version}_$(dpkg --print-architecture).deb
dpkg-deb -x "$deb" "$out/deb"
expect "deb" "$(dpkg-deb -f "$deb" Package Version Depends | grep -o '^[A-Z].*: [^ ,]*\|libssl3\|zlib1g' | xargs)
$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | xargs)
$(zcat "$out/deb/usr/share/man/man1/vorandeck-cli.1.gz" | grep -o '^\.TH.*"vorandeck-cli [0-9.]*"\|^\.SS [a-z]*$' | xargs)
$("$out/deb/usr/bin/vorandeck-cli" --version)
$(lintian --fail-on error,warning "$deb" 2>&1 | grep -v '^running with root')" "Package: vorandeck-cli Version: $version Depends: libc6 libssl3 zlib1g
./usr/bin/vorandeck-cli ./usr/share/doc/vorandeck-cli/changelog.gz ./usr/share/doc/vorandeck-cli/copyright ./usr/share/man/man1/vorandeck-cli.1.gz
.TH VORANDECK-CLI 1 $(date -u -d "@$(git -C "$root" log -1 --format=%ct)" '+%B %Y') vorandeck-cli $version .SS list .SS info .SS check .SS extract .SS inventory
vorandeck-cli $version
Licence: MIT
"
echo "$failures failed"
[ "$failures" -eq 0 ]
