#!/usr/bin/env bash
# The player heard through a PulseAudio server of its own: how long after a
# press the sound of a start, a seek and a switch of sides comes out, for
# both algorithms, idle and beside two time-based conversions; breaks in 30
# seconds of sound beside two conversions; the worker's cost against real
# time. Prints markdown tables (bench_player).
#
#   bench/player.sh [ROUNDS]   (default 10)
#
# Needs PulseAudio (pulseaudio, pacat, parec), which scripts/install-deps.sh
# installs.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh
bench_prepare bench_player
build/tests/bench_player "${1:-10}"
