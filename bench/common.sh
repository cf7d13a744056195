# Sourced by the benchmark scripts, from the project's root.

# bench_prepare TARGET...: builds the targets (optimised, with symbols for
# profilers) and makes a scratch folder $work, removed on exit, which is
# also the home of the converter's settings.
bench_prepare() {
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
    cmake --build build --parallel "$(nproc)" --target "$@" > /dev/null
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
    mkdir -p "$HOME"
}

# make_piece OUT SECONDS: a music-like stereo piece at 44.1 kHz, 16 bits:
# changing triads, a bass line, percussive noise hits (panned) and a little
# hiss. Not a pure tone, so that the pitch processors and the encoder work as
# they do on music.
make_piece() {
    local out=$1 seconds=$2
    local chord='(sin(2*PI*f*t)+0.5*sin(4*PI*f*t)+0.25*sin(6*PI*f*t))'
    local root_hz='if(lt(mod(t,8),2),220,if(lt(mod(t,8),4),174.61,if(lt(mod(t,8),6),261.63,196)))'
    local music="0.08*(${chord//f/($root_hz)}+${chord//f/($root_hz*1.2599)}+${chord//f/($root_hz*1.4983)})"
    music="$music+0.15*sin(2*PI*($root_hz/2)*t)*exp(-3*mod(t,0.5))"
    local hits="0.35*(random(0)-0.5)*exp(-30*mod(t,0.25))"
    local hiss="0.01*(random(1)-0.5)"
    local left="${music}+${hits}+${hiss}"
    local right="${music}+0.6*${hits}+${hiss}"
    # Commas inside an expression must not end the filter.
    ffmpeg -v error -y -f lavfi -i "aevalsrc=${left//,/\\,}|${right//,/\\,}:s=44100:d=$seconds" \
        -c:a pcm_s16le "$out"
}

# excerpts OUT OFFSET TRACK...: 30 seconds from OFFSET seconds into each
# track, one after the other, as mp3 at 192 kbit/s, 44.1 kHz stereo.
excerpts() {
    local out=$1 offset=$2 inputs=() chain="" n=0 track
    shift 2
    for track in "$@"; do
        inputs+=(-ss "$offset" -t 30 -i "$track")
        chain+="[$n:a]"
        n=$((n + 1))
    done
    ffmpeg -v error -y "${inputs[@]}" -filter_complex "${chain}concat=n=$n:v=0:a=1,aresample=44100" \
        -ac 2 -c:a libmp3lame -b:a 192k "$out"
}

# make_music OUT: five minutes of real music: 30 seconds from a minute into
# each of the first ten tracks of the singularity-music package.
make_music() {
    local tracks=(/usr/share/games/singularity/music/*.ogg)
    excerpts "$1" 60 "${tracks[@]:0:10}"
}

# make_input OUT [SOURCE]: the timed input, SOURCE as a 192 kbit/s mp3, or
# make_music's five minutes.
make_input() {
    if [ -n "${2:-}" ]; then
        ffmpeg -v error -y -i "$2" -ar 44100 -ac 2 -c:a libmp3lame -b:a 192k "$1"
    else
        make_music "$1"
    fi
}

# make_burst_tone OUT: the quality probe, 12 seconds of a 440 Hz tone with
# bursts marking the time.
make_burst_tone() {
    ffmpeg -v error -y -f lavfi \
        -i "aevalsrc=0.5*sin(2*PI*440*t)*(0.25+0.75*lt(mod(t\,0.25)\,0.06))|0.5*sin(2*PI*440*t)*(0.25+0.75*lt(mod(t\,0.25)\,0.06)):s=44100:d=12" \
        -c:a pcm_s16le "$1"
}

# run_rounds: runs the cases of the arrays names, exts and commands (each
# command reads $in, $work/input.mp3, and writes $out or into its folder)
# $rounds times, each round once through, alternately forwards and
# backwards, so that a machine whose speed drifts slows all cases alike;
# fills wall[i,round], cpu[i,round] (seconds) and mem[i,round] (KB).
declare -A wall cpu mem
run_rounds() {
    local count=${#names[@]} round order i e u s m
    for round in $(seq "$rounds"); do
        order=$(seq 0 $(( count - 1 )))
        (( round % 2 == 0 )) && order=$(seq $(( count - 1 )) -1 0)
        for i in $order; do
            rm -rf "$work/out" && mkdir -p "$work/out"
            in=$work/input.mp3 out=$work/out/input.${exts[i]} \
                /usr/bin/time -f "%e %U %S %M" -o "$work/time" bash -c "${commands[i]}" > /dev/null 2>&1
            read -r e u s m < "$work/time"
            wall[$i,$round]=$e
            cpu[$i,$round]=$(python3 -c "print(f'{$u+$s:.2f}')")
            mem[$i,$round]=$m
        done
    done
}

index_of() {  # NAME: its index in names
    local i
    for i in "${!names[@]}"; do [ "${names[i]}" = "$1" ] && echo "$i" && return; done
}
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
values() {  # ARRAY INDEX: the array's value of each round
    local -n array=$1
    local round
    for round in $(seq "$rounds"); do echo "${array[$2,$round]}"; done
}
# Ratios are taken within a round, between cases run close together.
paired() {  # A B [FACTOR]: the median over the rounds of A's wall time over B's (times FACTOR)
    local a b round
    a=$(index_of "$1"); b=$(index_of "$2")
    for round in $(seq "$rounds"); do
        python3 -c "print(${3:-1} * ${wall[$a,$round]} / ${wall[$b,$round]})"
    done | median | xargs printf '%.2f'
}
