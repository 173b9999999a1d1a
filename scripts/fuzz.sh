#!/usr/bin/env bash
# Builds the picture-decoding fuzzer with clang and runs it for a bounded time.
#   scripts/fuzz.sh [SECONDS]   (default 60; build in build-fuzz/ or $FUZZ_BUILD_DIR)
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTATIONPLAYER_FUZZ=ON -DSTATIONPLAYER_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target decode_fuzzer make_fuzz_seeds

corpus=$build/fuzz-corpus
mkdir -p "$corpus"
"$build/tests/fuzz/make_fuzz_seeds" "$corpus"

# -rss_limit_mb: the largest picture allowed is 64 MiB of pixels; a run that needs
# far more memory than that is a fault. -malloc_limit_mb: the BMP loader reserves
# buffers as large as 32-bit header fields say (up to 4 GiB) but only fills them with
# the bytes it is given; such untouched reservations are not counted as faults.
"$build/tests/fuzz/decode_fuzzer" "$corpus" -max_total_time="$seconds" -max_len=65536 \
  -timeout=20 -rss_limit_mb=1536 -malloc_limit_mb=4200 -artifact_prefix="$build/" \
  -print_final_stats=1
