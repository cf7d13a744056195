#!/usr/bin/env bash
# Lag of retuned real music against its source, for both algorithms, at
# shifts from -12 to +12 semitones: 40 thirty-second excerpts of the 16
# tracks of singularity-music, in four pieces (the ten of bench/run.sh, all
# thirteen long tracks further in and near their start, the other three with
# the short win track), then the first piece at 48 and 96 kHz at 440 → 432.
# Prints markdown tables (bench_musiclag).
#
#   bench/musiclag.sh [SEMITONES]   (default: -12.3,-7,-4,-2,-1,-0.62,-0.32,-0.1,0.1,0.16,0.5,1,2,4,7,12)
#
# Needs the tools of 'scripts/install-deps.sh --bench' (ffmpeg, singularity-music).
set -euo pipefail
cd "$(dirname "$0")/.."
shifts=${1:--12.3,-7,-4,-2,-1,-0.62,-0.32,-0.1,0.1,0.16,0.5,1,2,4,7,12}
source bench/common.sh
bench_prepare bench_musiclag
bench=$PWD/build/tests/bench_musiclag
music=/usr/share/games/singularity/music
long=("$music"/*.ogg)
make_music "$work/first-ten.mp3"
excerpts "$work/all-at-150s.mp3" 150 "${long[@]}"
excerpts "$work/all-at-20s.mp3" 20 "${long[@]}"
excerpts "$work/other-four.mp3" 60 "${long[@]:10}" "$music"/win/*.ogg
"$bench" "$work"/first-ten.mp3 "$work"/all-at-150s.mp3 "$work"/all-at-20s.mp3 "$work"/other-four.mp3 \
    --semitones "$shifts"
echo
for rate in 48000 96000; do
    ffmpeg -v error -y -i "$work/first-ten.mp3" -ar "$rate" -c:a flac "$work/first-ten-$rate.flac"
    "$bench" "$work/first-ten-$rate.flac"
    echo
done
