#!/usr/bin/env bash
# Builds the Windows installer from a folder holding vorandeck.exe,
# vorandeck-cli.exe, vorandeck-shell.dll, LICENSE.txt and THIRD-PARTY-NOTICES.txt:
#   installer/msi.sh FOLDER VERSION OUTPUT.msi
# wixl (Debian's msitools) writes the tables of vorandeck.wxs; what wixl 0.101
# has no element for is added to them here with msibuild:
#   - the system PATH entry of the Path feature (the Environment table);
#   - ASSOCIATE=0, SHELL=0 and ADDTOPATH=1, as feature conditions (the Condition table).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
files=$1 version=$2 output=$3
help_link=${VORANDECK_HELP_URL:-https://github.com/vorandeck/vorandeck}

# A GUID made from text, so that the same input always gives the same code.
guid_of() {
    local h
    h=$(printf '%s' "$1" | sha256sum | tr a-f A-F)
    echo "${h:0:8}-${h:8:4}-5${h:13:3}-8${h:17:3}-${h:20:12}"
}
# Each version is a product of its own (a major upgrade replaces the one
# before); the package code names these very bytes, so it follows the files.
product_code=$(guid_of "Vorandeck product $version")
package_code=$(guid_of "Vorandeck package $version $(cd "$files" && sha256sum vorandeck.exe \
    vorandeck-cli.exe vorandeck-shell.dll LICENSE.txt THIRD-PARTY-NOTICES.txt)")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The cabinet keeps each file's time; take them all from SOURCE_DATE_EPOCH.
cp "$files"/vorandeck.exe "$files"/vorandeck-cli.exe "$files"/vorandeck-shell.dll "$files"/LICENSE.txt \
    "$files"/THIRD-PARTY-NOTICES.txt "$work"/
cp "$here/../app/vorandeck.ico" "$work"/
touch -d "@${SOURCE_DATE_EPOCH:-0}" "$work"/*

# wixl and msibuild stamp the summary with the clock: the clock they see is
# stopped at SOURCE_DATE_EPOCH, so the same files give the same installer.
stamp=$(TZ=UTC date -d "@${SOURCE_DATE_EPOCH:-0}" '+%Y-%m-%d %H:%M:%S')
at_release_time() { TZ=UTC faketime "$stamp" "$@"; }

# wixl takes sources relative to the folder it runs in.
(cd "$work" && at_release_time wixl -a x64 -o out.msi -D Version="$version" -D ProductCode="$product_code" \
    -D Files=. -D Icon=vorandeck.ico -D HelpLink="$help_link" \
    "$here/vorandeck.wxs")

# Name: '=' sets the variable at install, '-' removes the value at removal, '*'
# makes it the system's; a value starting with [~]; is added at the end of the
# variable's value rather than replacing it. Sequence numbers as Windows
# Installer's own (3300, 5200).
at_release_time msibuild "$work/out.msi" -q "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL,
    \`Name\` CHAR(255) NOT NULL, \`Value\` CHAR(255), \`Component_\` CHAR(72) NOT NULL
    PRIMARY KEY \`Environment\`)" \
    -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`)
    VALUES ('SystemPath', '=-*PATH', '[~];[INSTALLFOLDER]', 'SystemPath')" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
    VALUES ('RemoveEnvironmentStrings', 3300)" \
    -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`)
    VALUES ('WriteEnvironmentStrings', 5200)" \
    -q "CREATE TABLE \`Condition\` (\`Feature_\` CHAR(38) NOT NULL, \`Level\` SHORT NOT NULL,
    \`Condition\` CHAR(255) PRIMARY KEY \`Feature_\`, \`Level\`)" \
    -q "INSERT INTO \`Condition\` (\`Feature_\`, \`Level\`, \`Condition\`)
    VALUES ('Association', 0, 'ASSOCIATE=\"0\"')" \
    -q "INSERT INTO \`Condition\` (\`Feature_\`, \`Level\`, \`Condition\`)
    VALUES ('Explorer', 0, 'SHELL=\"0\"')" \
    -q "INSERT INTO \`Condition\` (\`Feature_\`, \`Level\`, \`Condition\`)
    VALUES ('Path', 1, 'ADDTOPATH=\"1\"')"
# wixl makes up a new package code each time; the summary gets ours instead.
at_release_time msibuild "$work/out.msi" -s "Vorandeck $version" "The Vorandeck developers" \
    "x64;1033" "{$package_code}"
mv "$work/out.msi" "$output"
