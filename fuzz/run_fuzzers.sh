#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for SECONDS (default 30) on a copy of its seed
# corpus, so the committed corpus does not grow. Fails when any target finds a fault; the input
# that shows it is kept in build-fuzz/findings/.
set -euo pipefail
seconds=${1:-30}
cd "$(dirname "$0")/.."

targets=(reply catalogue names settings rdap whois zone)
# Long enough for more than 2049 names, and for data files past their 301st line.
declare -A max_len=([reply]=4096 [catalogue]=2048 [names]=8192 [settings]=4096 [rdap]=8192 [whois]=8192 [zone]=8192)
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DNOMISPOT_FUZZ=ON \
  -DNOMISPOT_BUILD_TESTS=OFF -DNOMISPOT_BUILD_BENCH=OFF
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

# Memory-backed when there is such a place: the file targets write for every input.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=$PWD/build-fuzz/findings
mkdir -p "$findings"

failed=()
for target in "${targets[@]}"; do
  mkdir -p "$work/$target/corpus"
  cp fuzz/corpus/"$target"/* "$work/$target/corpus"/
  echo "+ fuzz_$target for ${seconds}s"
  # Only the allocating frame is kept with each allocation: Qt's libraries have no frame
  # pointers, so deeper stacks are partly garbage, nearly each one new, and ASan's store of them
  # grows until the run crawls. Run a finding's input alone for a full report.
  if ! TMPDIR=$work ASAN_OPTIONS=malloc_context_size=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build-fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
    "$work/$target/corpus"; then
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "Findings in: ${failed[*]} (inputs in $findings)" >&2
  exit 1
fi
echo "No findings."
