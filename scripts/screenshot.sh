#!/usr/bin/env bash
# Builds Tunewise and saves a picture of its main window, with a queue in
# every state, under a virtual display.
#
#   scripts/screenshot.sh [OUTPUT.png] [LANGUAGE]     (default docs/screenshot.png)
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/screenshot.png}
mkdir -p "$(dirname "$output")"

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)" --target screenshot
xvfb-run -a -s "-screen 0 1280x800x24" build/screenshot "$output" ${2:-}
echo "Wrote $output"
