#!/usr/bin/env bash
# Installs what is missing, builds Tunewise and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Both programs, so that `cmake --install build` finds all it installs.
cmake --build build --parallel "$(nproc)" --target tunewise tunewise-cli
exec build/tunewise
