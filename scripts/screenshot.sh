#!/usr/bin/env bash
# Builds Tunewise and saves a picture of its main window, with a queue in
# every state and the line below it, under a virtual display, in the
# interface language given (a code of the language list, default English).
#
#   scripts/screenshot.sh [OUTPUT.png] [LANGUAGE]     (default docs/screenshot.png en)
#   scripts/screenshot.sh docs/screenshot-de.png de
set -euo pipefail
cd "$(dirname "$0")/.."
output=${1:-docs/screenshot.png}
mkdir -p "$(dirname "$output")"

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)" --target screenshot
xvfb-run -a -s "-screen 0 1280x800x24" build/screenshot "$output" "${2:-en}"
echo "Wrote $output"
