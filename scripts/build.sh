#!/usr/bin/env bash
# Configures and builds into the given folder: scripts/build.sh DIR [cmake options...]
# With BUILD_TARGETS set (names separated by spaces) it builds only those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTATIONPLAYER_WERROR=ON "$@" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
