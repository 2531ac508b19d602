#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (under Wine and Xvfb).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" -DBUILD_TESTING=ON
source "$root/scripts/wine-env.sh"
trap stop_wine_and_display EXIT
start_display
start_wine
cd "$build"
ctest --output-on-failure --timeout 600 "$@"
