#!/usr/bin/env bash
# Installs what is missing, builds Tunewise with its tests, and runs them all:
# the whole suite, then the engine's tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the tests of code shared between threads
# under ThreadSanitizer, then a minute of fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON
cmake --build build --parallel "$jobs"
(cd build && ctest --output-on-failure --parallel "$jobs")

# sanitized BUILD_DIR SANITIZERS TEST...
sanitized() {
    local dir=$1 sanitizers=$2
    shift 2
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON -DTW_SANITIZE="$sanitizers"
    cmake --build "$dir" --parallel "$jobs" --target "$@"
    (cd "$dir" && ctest --output-on-failure --parallel "$jobs" -R "^($(IFS='|'; echo "$*"))\$")
}

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
sanitized build-asan address,undefined tst_chain tst_conversion tst_tuning \
    tst_fuzzregressions tst_player
# Qt itself is not instrumented: its own calls into the sanitizer's
# interceptors are not judged, and tests/tsan.supp names QtTest's watchdog,
# whose hand-over only Qt's locks order.
export TSAN_OPTIONS="ignore_noninstrumented_modules=1 suppressions=$PWD/tests/tsan.supp"
sanitized build-tsan thread tst_chain tst_conversion tst_tuning tst_settings tst_queue tst_manager tst_cli \
    tst_player

# A minute of fuzzing the conversion with arbitrary files (scripts/fuzz.sh).
scripts/fuzz.sh 60

# The Debian package: a Release build of the programs alone, checked by
# lintian and tried unpacked in a scratch root (tests/package_test.sh).
package=$(scripts/package.sh -DTW_WERROR=ON)
tests/package_test.sh "$package"/tunewise_*.deb
