#!/usr/bin/env bash
# Configures and builds the program, its tests and the opcode table into build/ (or $BUILD_DIR;
# $BUILD_TARGET builds only that target and what it needs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
# A new build folder takes the checked SQLite amalgamation from the main one (or $SQLITE_SEED)
# instead of fetching it again; CMake checks its hashes either way.
seed=${SQLITE_SEED:-$root/build/_deps/sqlite}
if [ ! -e "$build/_deps/sqlite/sqlite3.c" ] && [ -f "$seed/sqlite3.c" ] && [ -f "$seed/sqlite3.h" ]; then
  mkdir -p "$build/_deps/sqlite"
  cp "$seed/sqlite3.c" "$seed/sqlite3.h" "$build/_deps/sqlite/"
fi
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-w64-x86_64.cmake" "$@" >/dev/null
cmake --build "$build" -j2 ${BUILD_TARGET:+--target "$BUILD_TARGET"}
