#!/usr/bin/env bash
# Configures and builds the program, its tests and the opcode table into build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64-x86_64.cmake" "$@" >/dev/null
cmake --build "$build" -j2
