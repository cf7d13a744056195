#!/usr/bin/env bash
# Installs the Debian 12 packages that Tunewise needs to build, run and test.
# Idempotent: installs only what is missing, and refreshes the package lists
# only when something has to be installed.
#
#   scripts/install-deps.sh            build, program and tests
#   scripts/install-deps.sh --bench    also the command-line tools of bench/
#   scripts/install-deps.sh --fuzz     also clang and libFuzzer for scripts/fuzz.sh
set -euo pipefail

packages=(
    # build tools
    build-essential cmake pkg-config git python3
    # Qt 5.15
    qtbase5-dev qtdeclarative5-dev qtquickcontrols2-5-dev qttools5-dev
    qttools5-dev-tools libqt5svg5-dev
    # Qt SQL's SQLite driver, which keeps the queue across restarts
    libqt5sql5-sqlite
    # Qt Multimedia and its audio plugins (PulseAudio, ALSA), which the
    # player plays through; the PulseAudio server and its tools, which its
    # test plays into and records from
    qtmultimedia5-dev libqt5multimedia5-plugins pulseaudio pulseaudio-utils
    # Qt's own dialogs and buttons in the interface languages
    qttranslations5-l10n
    # QML modules the scene and the QML tests import
    qml-module-qtqml qml-module-qtquick2 qml-module-qtquick-window2 qml-module-qtquick-layouts
    qml-module-qtquick-controls2 qml-module-qtquick-templates2
    qml-module-qtgraphicaleffects qml-module-qttest
    # FFmpeg 5.1, Rubber Band, SoundTouch, FFTW
    libavformat-dev libavcodec-dev libavutil-dev libswresample-dev
    librubberband-dev libsoundtouch-dev libfftw3-dev
    # the icon font, copied into the resources at build time
    fonts-font-awesome
    # a display for running the program without a desktop session, with
    # software OpenGL and a text font
    xvfb x11-utils libgl1-mesa-dri fonts-dejavu-core
    # the validators of the desktop entry and the metainfo
    desktop-file-utils appstream
    # the tests' media files are written with the ffmpeg tool, their speech
    # with espeak-ng
    ffmpeg espeak-ng
    # the Debian package (CPack's dependency search wants file and
    # dpkg-shlibdeps), its check, the manual pages' renderer and the shell
    # completion's framework
    file dpkg-dev lintian groff-base bash-completion
)

for arg in "$@"; do
    case "$arg" in
        --bench) packages+=(sox libsox-fmt-mp3 time valgrind singularity-music) ;;
        --fuzz) packages+=(clang-14 libclang-rt-14-dev libfuzzer-14-dev) ;;
        -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
        *) echo "install-deps.sh: unknown option '$arg'" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "install-deps.sh: missing packages (${missing[*]}); run as root or install sudo" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
