#!/usr/bin/env bash
# What the later output formats and keeping formants cost: each format's
# time-based conversion against the plain ffmpeg transcode into the same
# format, and the frequency-based conversion with the formants kept against
# the same without; prints a table (markdown).
#
#   bench/formats.sh [INPUT] [ROUNDS]   (default: 5 minutes of real music as a
#                                        192 kbit/s mp3, 5 rounds)
#
# Rounds as in bench/run.sh: every case once per round, alternately forwards
# and backwards, each ratio taken within a round, the median reported. Needs
# the tools of 'scripts/install-deps.sh --bench'.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${2:-5}
source bench/common.sh
bench_prepare tunewise-cli bench_measure
cli=$root/build/tunewise-cli
measure=$root/build/tests/bench_measure

make_input "$work/input.mp3" "${1:-}"
make_burst_tone "$work/tone.wav"

# A name, the output's extension, the command (reads $in, writes $out or into
# its folder), and the case it is measured against.
names=() exts=() commands=() against=()
case_() { names+=("$1"); exts+=("$2"); commands+=("$3"); against+=("${4:-}"); }
ours() { echo "\"$cli\" --quiet --jobs 1 --target 432 --source 440 $* \"\$in\" -o \"\$(dirname \"\$out\")\""; }
ff='ffmpeg -v error -threads 1 -i "$in"'
case_ "floor ogg, q6 (ffmpeg transcode)" ogg "$ff -c:a libvorbis -q:a 6 \"\$out\""
case_ "tunewise time, ogg 192 (q6)" ogg "$(ours --algorithm time --format ogg --bitrate 192)" "floor ogg, q6 (ffmpeg transcode)"
case_ "floor opus, 192k (ffmpeg transcode)" opus "$ff -c:a libopus -b:a 192k \"\$out\""
case_ "tunewise time, opus 192" opus "$(ours --algorithm time --format opus --bitrate 192)" \
    "floor opus, 192k (ffmpeg transcode)"
case_ "floor alac (ffmpeg transcode)" m4a "$ff -c:a alac \"\$out\""
case_ "tunewise time, alac" m4a "$(ours --algorithm time --format alac)" "floor alac (ffmpeg transcode)"
case_ "tunewise frequency, flac" flac "$(ours --algorithm frequency --format flac --formants shift)"
case_ "tunewise frequency, flac, formants kept" flac "$(ours --algorithm frequency --format flac --formants keep)" \
    "tunewise frequency, flac"

run_rounds

echo "Input: ${1:-5 minutes of singularity-music, 192 kbit/s mp3}; $rounds rounds, medians of wall and CPU time, largest peak memory."
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(uname -sr)."
echo
echo "| case | wall s | CPU s | × its pair (paired) | peak MB | length diff (frames) | lag ms | pitch of 440 Hz → 432 |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
for i in "${!names[@]}"; do
    ratio=– length=– lag=– pitch=–
    if [[ ${names[i]} == tunewise* ]]; then
        rm -rf "$work/out" && mkdir -p "$work/out"
        in=$work/tone.wav out=$work/out/tone.${exts[i]} bash -c "${commands[i]}" > /dev/null 2>&1
        q=$("$measure" "$work/tone.wav" "$work/out/tone.${exts[i]}" 432)
        length=$(sed -n 's/.*length_diff=\([^ ]*\).*/\1/p' <<< "$q")
        lag=$(sed -n 's/.*lag_ms=\([^ ]*\).*/\1/p' <<< "$q")
        pitch=$(sed -n 's/.*pitch_hz=\([^ ]*\).*/\1/p' <<< "$q")
    fi
    [ -n "${against[i]}" ] && ratio=$(paired "${names[i]}" "${against[i]}")
    peak=$(values mem "$i" | sort -g | tail -1)
    echo "| ${names[i]} | $(values wall "$i" | median) | $(values cpu "$i" | median) | $ratio | $(( peak / 1024 ))" \
         "| $length | $lag | $pitch |"
done
