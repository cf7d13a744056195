#!/usr/bin/env bash
# Tries the Debian package as a user would get it: lintian passes it without
# errors or warnings, and unpacked into a scratch root its programs run from
# there, its desktop entry and metainfo validate, its changelog names its
# version and it depends on every QML module the scene imports.
#
#   package_test.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
fail() { echo "FAIL: $*"; status=1; }

# Errors and warnings fail; the informational tags are shown.
lintian --fail-on error,warning --display-info "$deb" || fail "lintian"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
export HOME=$scratch/home  # no saved settings of whoever runs the test
mkdir -p "$HOME"

[ "$("$root/usr/bin/tunewise" --version)" = "Tunewise $version" ] || fail "tunewise --version"
ffmpeg -v error -f lavfi -i sine=440:d=2 "$scratch/tone.wav"
"$root/usr/bin/tunewise-cli" "$scratch/tone.wav" -o "$scratch/out" --format flac --quiet ||
    fail "the installed tunewise-cli failed"
[ -s "$scratch/out/tone.flac" ] || fail "tunewise-cli wrote no tone.flac"

desktop-file-validate "$root/usr/share/applications/com.tunewise.tunewise.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.tunewise.tunewise.metainfo.xml" ||
    fail "appstreamcli validate"
for file in usr/share/man/man1/tunewise.1.gz usr/share/man/man1/tunewise-cli.1.gz \
    usr/share/bash-completion/completions/tunewise-cli usr/share/doc/tunewise/copyright; do
    [ -f "$root/$file" ] || fail "not in the package: /$file"
done
newest=$(dpkg-parsechangelog -l "$root/usr/share/doc/tunewise/changelog.gz" -S Version)
[ "$newest" = "$version" ] || fail "the changelog's newest entry is $newest, the package is $version"

# Each QML module the scene imports, by the Debian package that holds it
# here, is a dependency: the program links none of them.
qml=$(qmake -query QT_INSTALL_QML)
# qmldir MODULE MAJOR: the module's qmldir, looked up as Qt does, the most
# specific versioned folder first (QtQuick/Controls.2/Material for
# QtQuick.Controls.Material 2; QtQuick/Controls is another module).
qmldir() {
    local IFS=. parts i
    read -ra parts <<<"$1"
    for ((i = ${#parts[@]} - 1; i >= -1; i--)); do
        local folder=("${parts[@]}")
        [ $i -ge 0 ] && folder[i]+=".$2"
        local path="$qml/$(IFS=/; echo "${folder[*]}")/qmldir"
        [ -f "$path" ] && { echo "$path"; return; }
    done
}
while read -r module major; do
    owner=$(dpkg-query -S "$(qmldir "$module" "$major")" 2>/dev/null | cut -d: -f1) || true
    if [ -z "$owner" ]; then
        fail "no installed package holds the QML module $module $major"
    elif ! grep -qE "(^|, )$owner( |,|$)" <<<"$depends"; then
        fail "the scene imports $module from $owner, which the package does not depend on"
    fi
done < <(sed -nE 's/^import (Qt[A-Za-z.]+) ([0-9]+)\..*/\1 \2/p' "$source_dir"/qml/*.qml "$source_dir"/qml/*/*.qml | sort -u)

[ $status -eq 0 ] && echo "PASS: $(basename "$deb")"
exit $status
