#!/usr/bin/env bash
# The stereo image, timbre and attacks of the pitch settings on real music:
# 30-second excerpts of the 16 tracks of singularity-music (the 13 long
# tracks and the win track from a minute in, the two short lose tracks from
# 10 s in), through every setting of bench_stereo at each shift. Prints
# markdown tables.
#
#   bench/stereo.sh [SEMITONES] [ROUNDS] [ONLY]
#       (defaults: 440 → 432 Hz, -1, +7 and -12 semitones; 1 round; every
#       setting; ONLY keeps the settings whose name begins with it, or with
#       one of several separated by "|")
#
# Needs the tools of 'scripts/install-deps.sh --bench' (ffmpeg, singularity-music).
set -euo pipefail
cd "$(dirname "$0")/.."
shifts=()
[ -z "${1:-}" ] || shifts=(--semitones "$1")
rounds=${2:-1}
only=${3:-}
source bench/common.sh
bench_prepare bench_stereo
music=/usr/share/games/singularity/music
long=("$music"/*.ogg)
excerpts "$work/long-and-win.mp3" 60 "${long[@]}" "$music"/win/*.ogg
excerpts "$work/lose.mp3" 10 "$music"/lose/*.ogg
echo "Excerpts, in order: ${long[*]##*/} win/$(cd "$music/win" && echo *.ogg) (from 60 s);" \
    "lose/$(cd "$music/lose" && echo *.ogg) (from 10 s)."
echo
"$PWD/build/tests/bench_stereo" "$work/long-and-win.mp3" "$work/lose.mp3" \
    "${shifts[@]}" --rounds "$rounds" --only "$only"
