#!/usr/bin/env bash
# Compares the settings of the pitch libraries on five minutes of real music:
# counts each setting's instructions with callgrind (on the first SECONDS of
# the music, two settings at a time), then measures exactness, lag, sound and
# time with bench_pitchoptions and prints its table (markdown).
#
#   bench/pitchoptions.sh [SECONDS] [ROUNDS] [FILTER]   (defaults: 30, 3, all settings)
#
# Needs the tools of 'scripts/install-deps.sh --bench' (ffmpeg, valgrind,
# singularity-music).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
rounds=${2:-3}
filter=${3:-}
source bench/common.sh
bench_prepare bench_pitchoptions
bench=$PWD/build/tests/bench_pitchoptions
make_music "$work/music.mp3"

count() {  # INDEX NAME
    valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*runAlone*' \
        --callgrind-out-file="$work/cost-$1.callgrind" \
        "$bench" "$work/music.mp3" --cost "$2" "$seconds" > /dev/null 2> "$work/cost-$1.log"
    local total
    total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$work/cost-$1.callgrind")
    printf '%s\t%s\n' "$2" "$(python3 -c "print($total / $seconds)")" > "$work/cost-$1.txt"
}
index=0
while IFS= read -r name; do
    [[ -z "$filter" || "$name" == *"$filter"* ]] || continue
    count "$index" "$name" &
    index=$((index + 1))
    (( index % 2 )) || wait
done < <("$bench" --list)
wait
cat "$work"/cost-*.txt > "$work/instructions.txt"
only=()
[ -z "$filter" ] || only=(--only "$filter")
"$bench" "$work/music.mp3" "$rounds" --instructions "$work/instructions.txt" "${only[@]}"
