#!/usr/bin/env bash
# Builds the Debian package of Tunewise and prints the folder it is in:
# a Release build of the programs alone (no tests) in build-release, with the
# compiler and linker flags Debian builds its packages with, packed by CPack.
# Installs what is missing first, as run.sh does.
#
#   scripts/package.sh [CMAKE_OPTION...]     e.g. scripts/package.sh -DTW_WERROR=ON
#   sudo apt install ./build-release/package/tunewise_VERSION_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

# Standard output is the folder only.
scripts/install-deps.sh >&2

build=build-release
# Hardened as Debian's own packages are (bindnow and PIE too); no debug
# information, which the package would strip again.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_CXXFLAGS_MAINT_STRIP=-g
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_DOCDIR=share/doc/tunewise \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    "$@" >&2
cmake --build "$build" --parallel "$(nproc)" >&2
# Only this version's package in the folder.
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$PWD/package") >&2
echo "$PWD/$build/package"
