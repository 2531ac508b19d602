#!/usr/bin/env bash
# Installs what is missing, builds, and runs the list refresh benchmark under Wine and Xvfb,
# printing its table of medians. Arguments go to the benchmark (e.g. --breakdown,
# --page-size 65536, --repetitions-scale 0.5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
cmake --build "${BUILD_DIR:-$root/build}" -j2 --target refresh_benchmark opcode_table
source "$root/scripts/wine-env.sh"
trap stop_wine_and_display EXIT
start_display
start_wine
# The benchmark makes its own tables in a temporary folder; the reference table gives the
# first one's size.
wine "$build/refresh_benchmark.exe" --reference "$(winepath -w "$build/tuvex.db3" 2>/dev/null)" "$@" </dev/null
