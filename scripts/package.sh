#!/usr/bin/env bash
# Installs what is missing, builds the release in build-release/ (or $BUILD_DIR) and writes
# dist/x86-opcodes-<version>-win64.zip and dist/SHA256SUMS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
build=${BUILD_DIR:-$root/build-release}
BUILD_DIR="$build" BUILD_TARGET=release_zip bash "$root/scripts/build.sh" -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Release

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip="x86-opcodes-$version-win64.zip"
dist="$root/dist"
mkdir -p "$dist"
rm -f "$dist"/x86-opcodes-*-win64.zip "$dist/SHA256SUMS"
cp "$build/$zip" "$dist/$zip"
(cd "$dist" && sha256sum "$zip" >SHA256SUMS)
echo "Wrote $dist/$zip ($(stat -c %s "$dist/$zip") bytes)"
cat "$dist/SHA256SUMS"
