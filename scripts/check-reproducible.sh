#!/usr/bin/env bash
# Builds the release twice, one build after the other in two new folders of different names,
# the second with another time zone and umask, and checks that x86opcodes.exe, tuvex.db3 and
# the zip come out as the same bytes, and that the program names neither folder nor the sources'.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/x86-opcodes-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT

first="$work/one"
second="$work/the-second-build"
BUILD_DIR="$first" BUILD_TARGET=release_zip bash "$root/scripts/build.sh" -DBUILD_TESTING=OFF >"$work/one.log" 2>&1 ||
  { cat "$work/one.log"; exit 1; }
(umask 0027; TZ=Pacific/Kiritimati BUILD_DIR="$second" BUILD_TARGET=release_zip \
  bash "$root/scripts/build.sh" -DBUILD_TESTING=OFF) >"$work/two.log" 2>&1 || { cat "$work/two.log"; exit 1; }

status=0
zip=$(cd "$first" && ls x86-opcodes-*-win64.zip)
for file in x86opcodes.exe tuvex.db3 "$zip"; do
  if cmp -s "$first/$file" "$second/$file"; then
    echo "same: $(cd "$first" && sha256sum "$file")"
  else
    echo "DIFFERENT: $file ($(cmp "$first/$file" "$second/$file" 2>&1 | head -n 1))"
    status=1
  fi
done
for folder in "$root" "$first" "$second"; do
  if grep -q -a -F "$folder" "$first/x86opcodes.exe"; then
    echo "x86opcodes.exe names the folder $folder"
    status=1
  fi
done
exit $status
