#!/usr/bin/env bash
# Measures tunewise-cli against the plain transcode and against its peers on
# the same work, and prints a table (markdown).
#
#   bench/run.sh [INPUT] [ROUNDS]   (default: 5 minutes of real music as a
#                                    192 kbit/s mp3, 5 rounds)
#
# With BASELINE_CLI=path/to/an/older/tunewise-cli, that build runs the same
# conversions beside ours, for CPU time against an earlier version.
#
# Each round runs every case once, in turn, alternately forwards and
# backwards, so that a machine whose speed drifts slows all cases alike.
# Ratios are taken within a round, between cases run close together, and
# their median is reported.
#
# Needs the tools of 'scripts/install-deps.sh --bench' (ffmpeg, sox, time).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${2:-5}
source bench/common.sh
bench_prepare tunewise-cli bench_measure bench_pitch
cli=$root/build/tunewise-cli
measure=$root/build/tests/bench_measure

make_input "$work/input.mp3" "${1:-}"
make_burst_tone "$work/tone.wav"
# A batch of 8 one-minute files.
mkdir -p "$work/batch"
for i in $(seq 8); do
    ffmpeg -v error -y -ss $(( i * 20 )) -t 60 -i "$work/input.mp3" -c copy "$work/batch/piece$i.mp3"
done
ratio=$(python3 -c 'print(432/440)')
cents=$(python3 -c 'import math; print(1200*math.log2(432/440))')

# The cases: a name, the output's extension, and a command that reads $in and
# writes $out (or into $(dirname $out)). Cases with a quality figure run on
# the tone once more.
names=() exts=() commands=() probed=()
case_() {  # NAME EXT PROBE COMMAND
    names+=("$1"); exts+=("$2"); probed+=("$3"); commands+=("$4")
}
ours() {  # ALGORITHM FORMAT [CLI]
    local rate=
    [ "$2" = mp3 ] && rate="--bitrate 192"  # lossless formats refuse one
    echo "\"${3:-$cli}\" --quiet --jobs 1 --algorithm $1 --format $2 $rate --target 432 --source 440 \"\$in\" -o \"\$(dirname \"\$out\")\""
}
batch() {
    echo "\"$cli\" --quiet --jobs $1 --algorithm time --format mp3 --bitrate 192 --target 432 \"$work/batch\" -o \"\$(dirname \"\$out\")\""
}
floor_mp3='ffmpeg -v error -threads 1 -i "$in" -c:a libmp3lame -b:a 192k'
# Pairs whose ratio is a target stand next to each other.
case_ "floor mp3 (ffmpeg transcode)" mp3 yes "$floor_mp3 \"\$out\""
case_ "tunewise time, mp3" mp3 yes "$(ours time mp3)"
case_ "tunewise frequency, mp3" mp3 yes "$(ours frequency mp3)"
# The tuning measurement: alone, and as the pre-pass of a conversion.
case_ "tunewise --measure" mp3 no "\"$cli\" --measure \"\$in\""
case_ "tunewise time, mp3, source detected" mp3 no "$(ours time mp3) --source detect"
case_ "ffmpeg rubberband, mp3" mp3 yes \
    "ffmpeg -v error -threads 1 -i \"\$in\" -af rubberband=pitch=$ratio:pitchq=quality -c:a libmp3lame -b:a 192k \"\$out\""
case_ "sox pitch, mp3" mp3 yes "sox \"\$in\" -C 192 \"\$out\" pitch $cents"
case_ "floor flac (ffmpeg transcode)" flac yes 'ffmpeg -v error -threads 1 -i "$in" -c:a flac "$out"'
case_ "tunewise time, flac" flac yes "$(ours time flac)"
case_ "tunewise frequency, flac" flac yes "$(ours frequency flac)"
case_ "ffmpeg rubberband, flac" flac yes \
    "ffmpeg -v error -threads 1 -i \"\$in\" -af rubberband=pitch=$ratio:pitchq=quality -c:a flac \"\$out\""
case_ "sox pitch, flac" flac yes "sox \"\$in\" \"\$out\" pitch $cents"
if [ -n "${BASELINE_CLI:-}" ]; then
    case_ "baseline time, mp3" mp3 no "$(ours time mp3 "$BASELINE_CLI")"
    case_ "baseline frequency, mp3" mp3 no "$(ours frequency mp3 "$BASELINE_CLI")"
fi
case_ "batch of 8, --jobs 1" mp3 no "$(batch 1)"
case_ "batch of 8, --jobs 2" mp3 no "$(batch 2)"
# A lone conversion encodes on a second thread; held to one core, --jobs 1
# compares with one plain transcode as --jobs 2 does with two.
case_ "batch of 8, --jobs 1, one core" mp3 no "taskset -c 0 $(batch 1)"
# What this machine gives for two independent single-threaded programs.
case_ "two floor mp3 at once" mp3 no "$floor_mp3 \"\$out\" & $floor_mp3 \"\${out%.mp3}-2.mp3\" & wait"

run_rounds

declare -A quality
for i in "${!names[@]}"; do
    [ "${probed[i]}" = yes ] || continue
    rm -rf "$work/out" && mkdir -p "$work/out"
    in=$work/tone.wav out=$work/out/tone.${exts[i]} bash -c "${commands[i]}" > /dev/null 2>&1
    quality[$i]=$("$measure" "$work/tone.wav" "$work/out/tone.${exts[i]}" 432)
done

spread() {  # NAME: the lowest and highest wall time
    local i
    i=$(index_of "$1")
    values wall "$i" | sort -g | awk 'NR == 1 {low = $1} END {print low "–" $1}'
}

echo "Input: ${1:-5 minutes of singularity-music, 192 kbit/s mp3}; $rounds rounds, medians of wall and CPU time, largest peak memory."
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(uname -sr)."
echo
echo "| case | wall s | (range) | CPU s | × floor (paired) | peak MB | length diff (frames) | lag ms | pitch of 440 Hz → 432 |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
for i in "${!names[@]}"; do
    name=${names[i]}
    q=${quality[$i]:-}
    length=$(sed -n 's/.*length_diff=\([^ ]*\).*/\1/p' <<< "$q")
    lag=$(sed -n 's/.*lag_ms=\([^ ]*\).*/\1/p' <<< "$q")
    pitch=$(sed -n 's/.*pitch_hz=\([^ ]*\).*/\1/p' <<< "$q")
    case $name in
        *flac*) times_floor=$(paired "$name" "floor flac (ffmpeg transcode)") ;;
        batch* | two* | *measure*) times_floor=– ;;
        *) times_floor=$(paired "$name" "floor mp3 (ffmpeg transcode)") ;;
    esac
    peak=$(values mem "$i" | sort -g | tail -1)
    echo "| $name | $(values wall "$i" | median) | $(spread "$name") | $(values cpu "$i" | median) | $times_floor" \
         "| $(( peak / 1024 )) | ${length:-–} | ${lag:-–} | ${pitch:-–} |"
done
echo
echo "Ours against the floor and each peer, on wall time (paired):"
echo
echo "| ours | × floor | × ffmpeg rubberband | × sox pitch |"
echo "|---|---:|---:|---:|"
for format in mp3 flac; do
    for algorithm in time frequency; do
        name="tunewise $algorithm, $format"
        echo "| $name | $(paired "$name" "floor $format (ffmpeg transcode)")" \
             "| $(paired "$name" "ffmpeg rubberband, $format") | $(paired "$name" "sox pitch, $format") |"
    done
done
echo
jobs_gain=$(paired "batch of 8, --jobs 1" "batch of 8, --jobs 2")
machine_gain=$(paired "floor mp3 (ffmpeg transcode)" "two floor mp3 at once" 2)
echo "- batch throughput, --jobs 2 against --jobs 1: $jobs_gain ×"
echo "- this machine, two plain transcodes at once against one: $machine_gain ×"
echo "- share of the machine's gain that --jobs 2 reaches: $(python3 -c "print(f'{100 * ($jobs_gain - 1) / ($machine_gain - 1):.0f} %')")"
core_gain=$(paired "batch of 8, --jobs 1, one core" "batch of 8, --jobs 2")
echo "- batch throughput, --jobs 2 against --jobs 1 held to one core: $core_gain ×, $(python3 -c "print(f'{100 * ($core_gain - 1) / ($machine_gain - 1):.0f} %')") of the machine's gain"
pre=$(paired "tunewise --measure" "tunewise time, mp3" 100)
detected=$(paired "tunewise time, mp3, source detected" "tunewise time, mp3" 100)
echo "- the tuning measurement alone: $pre % of a time-based mp3 conversion; a conversion with --source detect: $detected % of one without"
if [ -n "${BASELINE_CLI:-}" ]; then
    for algorithm in time frequency; do
        a=$(index_of "tunewise $algorithm, mp3"); b=$(index_of "baseline $algorithm, mp3")
        for round in $(seq "$rounds"); do
            python3 -c "print(${cpu[$a,$round]} / ${cpu[$b,$round]})"
        done | median | xargs printf -- "- CPU time of $algorithm based mp3 against the baseline: %.3f ×\n"
    done
fi
echo
"$root/build/tests/bench_pitch" "$work/input.mp3" 3
