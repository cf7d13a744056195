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
