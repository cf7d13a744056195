#!/usr/bin/env bash
# Installs what is missing, builds Tunewise with its tests, and runs them all:
# the whole suite, then the tests of code shared between threads once more
# under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
tsan_tests=(tst_settings)

scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON
cmake --build build --parallel "$jobs"
(cd build && ctest --output-on-failure --parallel "$jobs")

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON -DTW_SANITIZE=thread
cmake --build build-tsan --parallel "$jobs" --target "${tsan_tests[@]}"
(cd build-tsan && ctest --output-on-failure --parallel "$jobs" \
    -R "^($(IFS='|'; echo "${tsan_tests[*]}"))\$")
