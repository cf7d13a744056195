#!/usr/bin/env bash
# Fuzzes the conversion: builds fuzz/conversion_fuzzer with clang's libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, makes a seed corpus of
# small valid files of every input format the program takes, and runs the
# fuzzer for SECONDS (default 60) in one process per core, at most JOBS.
#
#   scripts/fuzz.sh [SECONDS] [LIBFUZZER OPTION...]
#
# Everything it writes is in build-fuzz/: the corpus it grows (kept from run
# to run), the seeds, and in build-fuzz/artifacts/ the inputs that crashed
# (crash-*, leak-*, timeout-*, oom-*) with their logs. Ends with status 1
# when the run found a crash, a sanitizer report or a leak. An input file
# replays as `build-fuzz/fuzz/conversion_fuzzer FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
jobs=${JOBS:-$(nproc)}
build=build-fuzz

scripts/install-deps.sh --fuzz

# Only the engine and the fuzzer: nothing of the build is shared with the
# gcc builds, so nothing else is worth building.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON -DTW_BUILD_TESTS=OFF \
    -DCMAKE_CXX_COMPILER=clang++-14 \
    -DTW_FUZZ=ON -DTW_SANITIZE=address,undefined >/dev/null
cmake --build "$build" --parallel "$jobs" --target conversion_fuzzer

# The seeds: a quarter of a second of each format, a hundredth of one at
# 384 and 352.8 kHz, the videos with a picture, the Matroska one with
# subtitles and chapters, an mp3 with cover art. An input is a byte that chooses the settings (see
# fuzz/ConversionFuzzer.cpp), then the file; each file comes with every
# output format and both algorithms. Format bits of 3 take a second byte,
# the format's stored id (the top bit keeps formants).
media="$build/media"
seeds="$build/seeds"
rm -rf "$media" "$seeds"
mkdir -p "$media" "$seeds" "$build/corpus" "$build/artifacts"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
tone="sine=frequency=440:sample_rate=22050:duration=0.25"
low="sine=frequency=440:sample_rate=8000:duration=0.25"
picture="testsrc=size=32x24:rate=10:duration=0.25"
ff -f lavfi -i "$tone" -ac 1 -c:a libmp3lame -b:a 32k "$media/tone.mp3"
ff -f lavfi -i "$tone" -ac 1 -c:a aac -b:a 24k "$media/tone.m4a"
ff -f lavfi -i "$low" -ac 1 -c:a pcm_u8 "$media/tone.wav"
ff -f lavfi -i "$low" -ac 1 -c:a flac "$media/tone.flac"
ff -f lavfi -i "sine=frequency=440:sample_rate=384000:duration=0.01" -ac 1 -c:a pcm_s24le "$media/hires.wav"
ff -f lavfi -i "sine=frequency=440:sample_rate=352800:duration=0.01" -ac 1 -c:a flac -sample_fmt s32 "$media/hires.flac"
ff -f lavfi -i "$tone" -ac 1 -c:a libvorbis -q:a 0 "$media/tone.ogg"
ff -f lavfi -i "$tone" -ac 1 -c:a libopus -b:a 12k "$media/tone.opus"
ff -f lavfi -i "color=c=red:size=16x16" -frames:v 1 "$media/cover.png"
ff -i "$media/tone.mp3" -i "$media/cover.png" -map 0 -map 1 -c copy -disposition:v attached_pic \
    -metadata title=Seed "$media/cover.mp3"
ff -f lavfi -i "$picture" -f lavfi -i "$tone" -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a aac -b:a 24k -ac 1 -shortest "$media/video.mp4"
ff -f lavfi -i "$picture" -f lavfi -i "$tone" -c:v mpeg4 -q:v 31 \
    -c:a libmp3lame -b:a 32k -ac 1 -shortest "$media/video.avi"
printf '1\n00:00:00,000 --> 00:00:00,200\nla\n' >"$media/words.srt"
printf ';FFMETADATA1\ntitle=Seed\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=100\ntitle=One\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=100\nEND=250\ntitle=Two\n' \
    >"$media/chapters.txt"
ff -f lavfi -i "$picture" -f lavfi -i "$tone" -i "$media/words.srt" -i "$media/chapters.txt" \
    -map 0 -map 1 -map 2 -map_metadata 3 -map_chapters 3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p \
    -c:a libvorbis -q:a 0 -ac 1 -c:s srt -shortest "$media/video.mkv"
for file in "$media"/tone.* "$media"/hires.* "$media"/cover.mp3 "$media"/video.*; do
    name=$(basename "$file")
    for choice in 0 1 2 3 4 5 6 7; do
        # Some outputs at the source's rate; videos kept as videos.
        if (( choice % 3 == 0 )); then choice=$((choice | 16)); fi
        if [[ $name == video.* ]]; then choice=$((choice | 8)); fi
        if (( (choice & 3) != 3 )); then
            { printf "\\x$(printf %02x "$choice")"; cat "$file"; } >"$seeds/$name-$choice"
            continue
        fi
        # Ids 0 to 7 between the two algorithms (the table holds fewer: the
        # rest fail in words); formants kept where frequency based.
        for id in $(( choice & 4 ? 0x81 : 0 )) $(( choice & 4 ? 0x83 : 2 )) $(( choice & 4 ? 0x85 : 4 )) \
                  $(( choice & 4 ? 0x87 : 6 )); do
            { printf "\\x$(printf %02x "$choice")\\x$(printf %02x "$id")"; cat "$file"; } >"$seeds/$name-$choice-$id"
        done
    done
done

# On tmpfs where there is one: every input is written as a file, and every
# output synced.
tmp=/dev/shm
[[ -d $tmp && -w $tmp ]] || tmp=${TMPDIR:-/tmp}
scratch=$(mktemp -d "$tmp/tunewise-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/start"  # the artifacts of this run are newer

# Inputs up to 16 KiB. The fuzz target stops a conversion after 20 s, as a
# user would; 60 s without a stop check is a hang. A process stops at 2.5 GB.
status=0
TMPDIR="$scratch" \
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/conversion_fuzzer" -fork="$jobs" -max_total_time="$seconds" \
    -max_len=16384 -timeout=60 -rss_limit_mb=2560 -print_final_stats=1 -print_funcs=0 \
    -artifact_prefix="$build/artifacts/" "$@" "$build/corpus" "$seeds" || status=$?

# A slow input (timeout-*) or one that made FFmpeg ask for more memory than
# allowed (oom-*) is kept and named, but not failed: the machine's load
# decides those as much as the input does.
slow=$(find "$build/artifacts" -newer "$scratch/start" \( -name 'timeout-*' -o -name 'oom-*' \) | sort)
if [[ -n $slow ]]; then
    echo "fuzz.sh: inputs that ran out of time or memory (replay them to judge):" >&2
    echo "$slow" >&2
fi
found=$(find "$build/artifacts" -newer "$scratch/start" \( -name 'crash-*' -o -name 'leak-*' \) | sort)
if [[ -n $found ]]; then
    echo "fuzz.sh: inputs that crashed, leaked or broke the conversion's promises:" >&2
    echo "$found" >&2
    exit 1
fi
# Without a finding, a failing status is the fuzzer's own failure (it did not
# start, or a job crashed outside an input).
if (( status != 0 )); then
    echo "fuzz.sh: the fuzzer ended with status $status" >&2
    exit "$status"
fi
