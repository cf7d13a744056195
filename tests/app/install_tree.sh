#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a desktop needs:
# both programs, the desktop entry and the metainfo (valid, naming the
# project's version), and the icons in every size.
#
#   install_tree.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

status=0
fail() { echo "FAIL: $*"; status=1; }

expected=(
    bin/tunewise bin/tunewise-cli
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
    share/icons/hicolor/scalable/apps/tunewise.svg
)
sizes=(16 22 24 32 48 64 128 256)
for size in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/tunewise.png")
done
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
[ -x "$prefix/bin/tunewise" ] && [ -x "$prefix/bin/tunewise-cli" ] || fail "the programs are not executable"

# Each PNG as large as its folder says: the width and height in its header.
for size in "${sizes[@]}"; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/tunewise.png"
    [ -f "$png" ] || continue
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [ "$width $height" = "$size $size" ] || fail "$png is ${width}x$height"
done

entry="$prefix/share/applications/$id.desktop"
if [ -f "$entry" ]; then
    desktop-file-validate "$entry" || fail "desktop-file-validate"
    grep -qx 'Exec=tunewise %F' "$entry" || fail "the entry does not start tunewise with files"
    for type in audio/mpeg audio/mp4 audio/x-wav audio/flac video/mp4 video/x-msvideo; do
        grep -q "^MimeType=.*$type;" "$entry" || fail "the entry does not open $type"
    done
fi

metainfo="$prefix/share/metainfo/$id.metainfo.xml"
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
    # A new version needs its release entry.
    newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
    [ "$newest" = "$version" ] || fail "the newest release in the metainfo is '$newest', the project is $version"
fi

[ $status -eq 0 ] && echo "PASS: installed ${#expected[@]} files"
exit $status
