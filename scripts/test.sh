#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test
# under Wine in a throwaway prefix below the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/utf8-locale.sh
build=${BUILD_DIR:-build}
scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure "$@"
