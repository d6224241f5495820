#!/usr/bin/env bash
# Builds the Debian package of the native command-line tool:
#   installer/deb.sh BINARY VERSION FOLDER
# writes FOLDER/vorandeck-cli_VERSION_ARCH.deb with the manual page made from
# the tool's own --help, its dependencies as dpkg-shlibdeps finds them, and every
# file timed at SOURCE_DATE_EPOCH and owned by root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
binary=$1 version=$2 out=$3
maintainer=${VORANDECK_MAINTAINER:-The Vorandeck developers <vorandeck@users.noreply.github.com>}
arch=$(dpkg --print-architecture)
epoch=${SOURCE_DATE_EPOCH:-0}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pkg=$work/pkg
doc=$pkg/usr/share/doc/vorandeck-cli
install -d "$pkg/DEBIAN" "$pkg/usr/bin" "$pkg/usr/share/man/man1" "$doc"
install -m 0755 "$binary" "$pkg/usr/bin/vorandeck-cli"
strip --remove-section=.comment --remove-section=.note --strip-unneeded "$pkg/usr/bin/vorandeck-cli"

# The page's description is the main --help; each command's own --help
# follows under COMMANDS, as the tool prints it.
for command in list info check extract inventory; do
    printf '.SS %s\n.nf\n' "$command"
    "$pkg/usr/bin/vorandeck-cli" "$command" --help | sed 's/\\/\\e/g; s/^\([.'"'"']\)/\\\&\1/'
    printf '.fi\n'
done | { echo '[COMMANDS]'; cat; } >"$work/commands.h2m"
help2man --no-info --no-discard-stderr --section 1 --include "$work/commands.h2m" \
    --name "lists, checks and extracts SIS installation packages" \
    --output "$work/vorandeck-cli.1" "$pkg/usr/bin/vorandeck-cli"
gzip -9n <"$work/vorandeck-cli.1" >"$pkg/usr/share/man/man1/vorandeck-cli.1.gz"

date=$(date -R -u -d "@$epoch")
gzip -9n >"$doc/changelog.gz" <<EOF
vorandeck-cli ($version) unstable; urgency=medium

  * Release $version. See the project's README for what it does.

 -- $maintainer  $date
EOF
{
    cat <<EOF
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vorandeck

Files: *
Copyright: $(date -u -d "@$epoch" +%Y) The Vorandeck developers
 2017-2021 University of Cincinnati, developed by Henry Schreiner (CLI11)
 2013-2022 Niels Lohmann (nlohmann-json)
License: Expat and BSD-3-clause
Comment: Vorandeck is under the Expat (MIT) licence. The program compiles in
 CLI11 (BSD-3-clause) and nlohmann-json (Expat).

License: Expat
EOF
    sed -n '/^Permission/,$p' "$here/../LICENSE" | sed 's/^$/./; s/^/ /'
    echo
    echo "License: BSD-3-clause"
    sed -n '/^  Redistribution/,/POSSIBILITY OF SUCH DAMAGE./p' "$here/../THIRD-PARTY-NOTICES" |
        sed 's/^  //; s/^$/./; s/^/ /'
} >"$doc/copyright"

# dpkg-shlibdeps reads the package's name from a control file where it runs.
mkdir -p "$work/debian"
printf 'Source: vorandeck\n\nPackage: vorandeck-cli\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O -e"$pkg/usr/bin/vorandeck-cli" 2>/dev/null |
    sed -n 's/^shlibs:Depends=//p')
cat >"$pkg/DEBIAN/control" <<EOF
Package: vorandeck-cli
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$pkg" | cut -f1)
Depends: $depends
Section: utils
Priority: optional
Description: lists, checks and extracts SIS installation packages
 vorandeck-cli reads the SIS and SISX installation packages of EPOC and
 Symbian phones and organisers (Psion Series 5mx and netBook, Symbian 6 to
 8, Symbian OS 9 and later): it lists the files a package installs, shows
 its header and details (certificates and signatures among them), checks
 packages whole without writing, extracts their files safely below a
 folder, and writes an inventory of many packages as JSON Lines or CSV.
EOF
(cd "$pkg" && find usr -type f | sort | xargs md5sum >DEBIAN/md5sums)
chmod 0644 "$pkg/DEBIAN/control" "$pkg/DEBIAN/md5sums" "$pkg"/usr/share/man/man1/* "$doc"/*
find "$pkg" -exec touch -h -d "@$epoch" {} +
dpkg-deb --root-owner-group -Zxz -b "$pkg" "$out/vorandeck-cli_${version}_$arch.deb" >/dev/null
