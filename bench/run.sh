#!/usr/bin/env bash
# Measures tunewise-cli against the plain transcode and against its peers on
# the same work, and prints a table (markdown).
#
#   bench/run.sh [INPUT] [RUNS]     (default: a generated 5-minute piece, 3 runs)
#
# Needs the tools of 'scripts/install-deps.sh --bench' (ffmpeg, sox, time).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${2:-3}

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build --parallel "$(nproc)" --target tunewise-cli bench_measure > /dev/null
cli=$root/build/tunewise-cli
measure=$root/build/tests/bench_measure

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"

# A music-like piece: changing triads, a bass line, percussive noise hits
# and a little hiss; stereo, with the hits panned.
if [ -n "${1:-}" ]; then
    ffmpeg -v error -y -i "$1" -ar 44100 -ac 2 "$work/input.wav"
else
    chord='(sin(2*PI*f*t)+0.5*sin(4*PI*f*t)+0.25*sin(6*PI*f*t))'
    root_hz='if(lt(mod(t,8),2),220,if(lt(mod(t,8),4),174.61,if(lt(mod(t,8),6),261.63,196)))'
    music="0.08*(${chord//f/($root_hz)}+${chord//f/($root_hz*1.2599)}+${chord//f/($root_hz*1.4983)})"
    music="$music+0.15*sin(2*PI*($root_hz/2)*t)*exp(-3*mod(t,0.5))"
    hits="0.35*(random(0)-0.5)*exp(-30*mod(t,0.25))"
    hiss="0.01*(random(1)-0.5)"
    left="${music}+${hits}+${hiss}"
    right="${music}+0.6*${hits}+${hiss}"
    # Commas inside an expression must not end the filter.
    ffmpeg -v error -y -f lavfi -i "aevalsrc=${left//,/\\,}|${right//,/\\,}:s=44100:d=300" \
        -c:a pcm_s16le "$work/input.wav"
fi
# The quality probe: a 440 Hz tone with bursts marking the time.
ffmpeg -v error -y -f lavfi \
    -i "aevalsrc=0.5*sin(2*PI*440*t)*(0.25+0.75*lt(mod(t\,0.25)\,0.06))|0.5*sin(2*PI*440*t)*(0.25+0.75*lt(mod(t\,0.25)\,0.06)):s=44100:d=12" \
    -c:a pcm_s16le "$work/tone.wav"
ratio=$(python3 -c 'print(432/440)')
cents=$(python3 -c 'import math; print(1200*math.log2(432/440))')

# run NAME EXT COMMAND... ; the command reads $in and writes $out.
declare -A wall cpu mem
timed() {
    local name=$1 ext=$2
    shift 2
    local walls=() cpus=() mems=()
    for _ in $(seq "$runs"); do
        rm -rf "$work/out" && mkdir -p "$work/out"
        in=$work/input.wav out=$work/out/input.$ext \
            /usr/bin/time -f "%e %U %S %M" -o "$work/time" bash -c "$*" > /dev/null 2>&1
        read -r e u s m < "$work/time"
        walls+=("$e"); cpus+=("$(python3 -c "print(f'{$u+$s:.2f}')")"); mems+=("$m")
    done
    wall[$name]=$(printf '%s\n' "${walls[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
    cpu[$name]=$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")
    mem[$name]=$(printf '%s\n' "${mems[@]}" | sort -g | tail -1)
}
# quality NAME EXT COMMAND... : the same command on the tone.
declare -A quality
measured() {
    local name=$1 ext=$2
    shift 2
    rm -rf "$work/out" && mkdir -p "$work/out"
    in=$work/tone.wav out=$work/out/tone.$ext bash -c "$*" > /dev/null 2>&1
    quality[$name]=$("$measure" "$work/tone.wav" "$work/out/tone.$ext" 432)
}

case_() {  # NAME EXT COMMAND
    timed "$@"
    measured "$@"
}

ours() {  # ALGORITHM FORMAT
    echo "\"$cli\" --quiet --jobs 1 --algorithm $1 --format $2 --bitrate 192 --target 432 --source 440 \"\$in\" -o \"\$(dirname \"\$out\")\""
}

case_ "floor mp3 (ffmpeg transcode)" mp3 'ffmpeg -v error -threads 1 -i "$in" -c:a libmp3lame -b:a 192k "$out"'
case_ "floor flac (ffmpeg transcode)" flac 'ffmpeg -v error -threads 1 -i "$in" -c:a flac "$out"'
case_ "tunewise time, mp3" mp3 "$(ours time mp3)"
case_ "tunewise time, flac" flac "$(ours time flac)"
case_ "tunewise frequency, mp3" mp3 "$(ours frequency mp3)"
case_ "tunewise frequency, flac" flac "$(ours frequency flac)"
case_ "ffmpeg rubberband, mp3" mp3 \
    "ffmpeg -v error -threads 1 -i \"\$in\" -af rubberband=pitch=$ratio:pitchq=quality -c:a libmp3lame -b:a 192k \"\$out\""
case_ "ffmpeg rubberband, flac" flac \
    "ffmpeg -v error -threads 1 -i \"\$in\" -af rubberband=pitch=$ratio:pitchq=quality -c:a flac \"\$out\""
case_ "sox pitch, mp3" mp3 "sox \"\$in\" -C 192 \"\$out\" pitch $cents"
case_ "sox pitch, flac" flac "sox \"\$in\" \"\$out\" pitch $cents"

# A batch of 8 one-minute files, time based to mp3, one and two at a time.
mkdir -p "$work/batch"
for i in $(seq 8); do
    ffmpeg -v error -y -ss $(( i * 20 )) -t 60 -i "$work/input.wav" "$work/batch/piece$i.wav"
done
batch() {
    echo "\"$cli\" --quiet --jobs $1 --algorithm time --format mp3 --bitrate 192 --target 432 \"$work/batch\" -o \"\$(dirname \"\$out\")\""
}
timed "batch of 8, --jobs 1" mp3 "$(batch 1)"
timed "batch of 8, --jobs 2" mp3 "$(batch 2)"

ratio_of() { python3 -c "print(f'{$1/$2:.2f}')"; }
floor_of() { case $1 in *flac*) echo "floor flac (ffmpeg transcode)" ;; *) echo "floor mp3 (ffmpeg transcode)" ;; esac; }

echo "Input: ${1:-generated 5-minute piece}; $runs runs each, median wall and CPU time, largest peak memory."
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(uname -sr)."
echo
echo "| case | wall s | CPU s | × floor (wall) | peak MB | length diff (frames) | lag ms | pitch of 440 Hz → 432 |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
for name in "floor mp3 (ffmpeg transcode)" "tunewise time, mp3" "tunewise frequency, mp3" "ffmpeg rubberband, mp3" \
            "sox pitch, mp3" "floor flac (ffmpeg transcode)" "tunewise time, flac" "tunewise frequency, flac" \
            "ffmpeg rubberband, flac" "sox pitch, flac" "batch of 8, --jobs 1" "batch of 8, --jobs 2"; do
    q=${quality[$name]:-}
    length=$(sed -n 's/.*length_diff=\([^ ]*\).*/\1/p' <<< "$q")
    lag=$(sed -n 's/.*lag_ms=\([^ ]*\).*/\1/p' <<< "$q")
    pitch=$(sed -n 's/.*pitch_hz=\([^ ]*\).*/\1/p' <<< "$q")
    times_floor=$(ratio_of "${wall[$name]}" "${wall[$(floor_of "$name")]}")
    [[ $name == batch* ]] && times_floor=–
    echo "| $name | ${wall[$name]} | ${cpu[$name]} | $times_floor | $(( ${mem[$name]} / 1024 )) | ${length:-–} | ${lag:-–} | ${pitch:-–} |"
done
echo
echo "Time based mp3 against the floor: $(ratio_of "${wall[tunewise time, mp3]}" "${wall[floor mp3 (ffmpeg transcode)]}") ×."
echo "Frequency based mp3 against ffmpeg's rubberband filter: $(ratio_of "${wall[tunewise frequency, mp3]}" "${wall[ffmpeg rubberband, mp3]}") ×."
echo "Batch throughput, --jobs 2 against --jobs 1: $(ratio_of "${wall[batch of 8, --jobs 1]}" "${wall[batch of 8, --jobs 2]}") ×."
