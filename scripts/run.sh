#!/usr/bin/env bash
# Installs what is missing, builds Tunewise and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)" --target tunewise
exec build/tunewise
