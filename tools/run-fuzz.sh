#!/usr/bin/env bash
# Builds the pile-reader fuzz target with clang and runs it for a bounded time
# (default 60 s) from a seed corpus of the sample project.
# Usage: tools/run-fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN="${1:-60}"
BUILD=build-fuzz
CXX_FUZZ="$(command -v clang++-14 || command -v clang++ || true)"
if [ -z "$CXX_FUZZ" ]; then
  echo "run-fuzz: needs clang (Debian: clang-14 libclang-rt-14-dev)" >&2
  exit 1
fi
# A build folder made with another compiler is started afresh.
if [ -f "$BUILD/CMakeCache.txt" ] && ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=$CXX_FUZZ\$" "$BUILD/CMakeCache.txt"; then
  rm -rf "$BUILD"
fi
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$CXX_FUZZ" \
  -DPIT_FUZZ=ON -DPIT_BUILD_TESTS=OFF -DPIT_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target fuzz_pile_reader
CORPUS="$BUILD/fuzz-corpus"
mkdir -p "$CORPUS"
cp -n samples/*/*.DUX "$CORPUS"/ 2>/dev/null || true
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
"$BUILD/bin/fuzz_pile_reader" -max_total_time="$SECONDS_TO_RUN" -rss_limit_mb=2048 -max_len=65536 \
  -timeout=10 "$CORPUS"
