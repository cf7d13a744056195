#!/usr/bin/env bash
# Counts the instructions each conversion executes, with callgrind. Unlike
# seconds on a shared machine, the counts repeat exactly from run to run, so
# small differences are real. Prints a table (markdown) that splits each
# count into the encoder, the pitch library and everything else.
#
#   bench/instructions.sh [SECONDS]     (default: a generated 30-second piece)
#
# Needs the tools of 'scripts/install-deps.sh --bench' (ffmpeg, valgrind).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-30}
source bench/common.sh
bench_prepare tunewise-cli
cli=$root/build/tunewise-cli
make_piece "$work/input.wav" "$seconds"
ratio=$(python3 -c 'print(432/440)')

# FFmpeg's JPEG XL support loads Highway, whose start-up code reads the time
# stamp counter with an instruction valgrind 3.19 does not know. Its only use
# of it is that timer; a stand-in that answers 1 lets both programs start.
cat > "$work/hwy.cpp" <<'CPP'
#include <cstdint>
namespace hwy { namespace platform { uint64_t TimerResolution() { return 1; } } }
CPP
echo 'HWY_0 { global: *; };' > "$work/hwy.map"
g++ -shared -fPIC -O2 -Wl,--version-script="$work/hwy.map" "$work/hwy.cpp" -o "$work/libhwy-timer.so"

count() {  # NAME COMMAND...
    local name=$1
    shift
    mkdir -p "$work/out-$name"
    (cd "$work/out-$name" && LD_PRELOAD=$work/libhwy-timer.so valgrind --tool=callgrind \
        --callgrind-out-file="$work/$name.callgrind" "$@" > /dev/null 2> "$work/$name.log")
}
in=$work/input.wav
ours() { echo "$cli" --quiet --jobs 1 --algorithm "$1" --format mp3 --bitrate 192 --target 432 --source 440 "$in" -o .; }
# Two at a time, one per core.
count floor ffmpeg -v error -threads 1 -i "$in" -c:a libmp3lame -b:a 192k out.mp3 &
count time $(ours time) &
wait
count frequency $(ours frequency) &
count rubberband ffmpeg -v error -threads 1 -i "$in" -af "rubberband=pitch=$ratio:pitchq=quality" \
    -c:a libmp3lame -b:a 192k out.mp3 &
wait

# Inclusive counts of the entry points of each part; none of those summed
# for one part calls another of them.
python3 - "$work" "$seconds" <<'PY'
import re, subprocess, sys
work, seconds = sys.argv[1], sys.argv[2]
encoder = ["avcodec_send_frame", "avcodec_receive_packet"]
pitch = {
    "time": ["SoundTouchShifter::SoundTouchShifter", "SoundTouchShifter::put", "SoundTouchShifter::receive",
             "SoundTouchShifter::finish", "SoundTouchDelayProbe::measure"],
    "frequency": ["RubberBandShifter::RubberBandShifter", "RubberBandShifter::put", "RubberBandShifter::receive",
                  "RubberBandShifter::finish"],
    "rubberband": ["RubberBand::RubberBandStretcher::RubberBandStretcher", "RubberBand::RubberBandStretcher::process",
                   "RubberBand::RubberBandStretcher::retrieve"],
    "floor": [],
}
def parts(name):
    text = subprocess.run(["callgrind_annotate", "--inclusive=yes", "--threshold=100",
                           f"{work}/{name}.callgrind"], capture_output=True, text=True).stdout
    total = int(re.search(r"([\d,]+) \S+ +PROGRAM TOTALS", text).group(1).replace(",", ""))
    def of(functions):
        found = 0
        for line in text.splitlines():
            m = re.match(r"\s*([\d,]+) \([^)]*\)\s+\S*?:([^\s(]+)[( ].*\[", line)
            if m and m.group(2) in functions:
                found += int(m.group(1).replace(",", ""))
        return found
    return total, of(encoder), of(pitch[name])
rows = [("floor: ffmpeg transcode", "floor"), ("tunewise time based", "time"),
        ("tunewise frequency based", "frequency"), ("ffmpeg rubberband filter", "rubberband")]
figures = {key: parts(key) for _, key in rows}
g = lambda n: f"{n / 1e9:.3f}"
floor = figures["floor"][0]
print(f"Instructions (10⁹) for a {seconds}-second generated piece, wav to mp3 192 kbit/s, A4 440 → 432 Hz.")
print()
print("| case | total | × floor | encoder | pitch library | everything else |")
print("|---|---:|---:|---:|---:|---:|")
for label, key in rows:
    total, enc, pit = figures[key]
    print(f"| {label} | {g(total)} | {total / floor:.3f} | {g(enc)} | {g(pit) if pit else '–'} | {g(total - enc - pit)} |")
print()
t, f, r = figures["time"], figures["frequency"], figures["rubberband"]
print(f"Time based without the pitch library: {(t[0] - t[2]) / floor:.3f} × the floor.")
print(f"Frequency based against the rubberband filter: {f[0] / r[0]:.3f} ×; "
      f"Rubber Band's own work (R3 against the filter's R2): {f[2] / r[2]:.3f} ×; "
      f"everything else: {(f[0] - f[1] - f[2]) / (r[0] - r[1] - r[2]):.3f} ×.")
PY
