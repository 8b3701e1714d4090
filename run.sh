#!/usr/bin/env bash
# Installs what is missing, builds, and starts KEV_DUX on the sample project.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo
sample=$(find samples -maxdepth 2 -iname '*.dux' 2>/dev/null | sort | head -n 1 || true)
exec build/bin/KEV_DUX ${sample:+"$sample"} "$@"
