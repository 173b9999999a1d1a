#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time, one after
# the other: the picture decoder, the station API's answers, preferences.json and the
# cover list with its matching.
#   scripts/fuzz.sh [SECONDS] [TARGET...]   (default 60 s each, every target; build in
#                                          build-fuzz/ or $FUZZ_BUILD_DIR)
# Fails when any target crashes, leaks, times out or exceeds its memory limit; the
# input that did it is left in the build folder (fuzz-artifacts/). The corpora grow in
# the build folder (fuzz-corpus/TARGET) and are reused by the next run.
set -euo pipefail

all=(decode_fuzzer api_fuzzer preferences_fuzzer cover_fuzzer)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
dicts=$root/tests/fuzz

for target in "${targets[@]}"; do
  [[ " ${all[*]} " == *" $target "* ]] || { echo "unknown target: $target (${all[*]})" >&2; exit 2; }
done

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTATIONPLAYER_FUZZ=ON -DSTATIONPLAYER_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" make_fuzz_seeds

seeds=$build/fuzz-seeds
mkdir -p "$seeds" "$build/fuzz-artifacts" "$build/fuzz-logs"
"$build/tests/fuzz/make_fuzz_seeds" "$seeds"

# Per target: -max_len bounds an input (pictures and lists are long, an API answer or
# a preferences file short); -timeout is far above what any input needs (milliseconds).
# For the text parsers -rss_limit_mb leaves room for the sanitizer's own quarantine
# and caches, and -malloc_limit_mb refuses any single block far beyond what an input
# of -max_len bytes may need.
options_for() {
  case $1 in
    # The largest picture allowed is 64 MiB of pixels. -malloc_limit_mb: the BMP loader
    # reserves buffers as large as 32-bit header fields say (up to 4 GiB) but only fills
    # them with the bytes it is given; such untouched reservations are not faults. They
    # cost the sanitizer's allocator seconds that the program does not spend (a 217-byte
    # BMP: 3 s of CPU here, 9 ms without the sanitizers), hence the longer -timeout.
    decode_fuzzer) echo "-max_len=65536 -timeout=60 -rss_limit_mb=1536 -malloc_limit_mb=4200" ;;
    api_fuzzer) echo "-max_len=16384 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 -dict=$dicts/api.dict" ;;
    preferences_fuzzer)
      echo "-max_len=4096 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 -dict=$dicts/preferences.dict" ;;
    cover_fuzzer) echo "-max_len=65536 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 -dict=$dicts/cover.dict" ;;
  esac
}

failed=()
summary=()
for target in "${targets[@]}"; do
  corpus=$build/fuzz-corpus/$target
  log=$build/fuzz-logs/$target.log
  mkdir -p "$corpus"
  echo "== $target: $seconds s"
  # shellcheck disable=SC2046
  if "$build/tests/fuzz/$target" "$corpus" "$seeds/$target" -max_total_time="$seconds" \
    $(options_for "$target") -artifact_prefix="$build/fuzz-artifacts/$target-" \
    -print_final_stats=1 >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed+=("$target")
    tail -n 60 "$log"
  fi
  # The last status line: "#RUNS DONE cov: EDGES ft: FEATURES corp: UNITS/BYTES ..."
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
  summary+=("$(printf '%-19s %-6s %s' "$target" "$status" "$last")")
done

echo "== summary (log per target in $build/fuzz-logs)"
printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]} (inputs in $build/fuzz-artifacts)" >&2
  exit 1
fi
