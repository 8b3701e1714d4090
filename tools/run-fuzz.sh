#!/usr/bin/env bash
# Builds the pile-reader fuzz target with clang and runs it for a bounded time
# (default 60 s) from a seed corpus of the sample project.
# Usage: tools/run-fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN="${1:-60}"
BUILD=build-fuzz
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPIT_FUZZ=ON -DPIT_BUILD_TESTS=OFF -DPIT_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target fuzz_pile_reader
CORPUS="$BUILD/fuzz-corpus"
mkdir -p "$CORPUS"
cp -n samples/*/*.DUX "$CORPUS"/ 2>/dev/null || true
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
"$BUILD/bin/fuzz_pile_reader" -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 -max_len=65536 \
  -timeout=10 "$CORPUS"
