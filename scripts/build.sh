#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR) with the given CMake options.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
