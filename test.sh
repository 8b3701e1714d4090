#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite through CTest:
# the optimised build, then the suite again under AddressSanitizer and UBSan
# (everything that parses files, processes samples, draws and writes documents;
# not the widget-only tests, nor those that drive LibreOffice or a database
# server), then the pile-file reader fuzzed for 60 seconds. --quick runs only
# the optimised build and leaves out the LibreOffice tests.
set -euo pipefail
cd "$(dirname "$0")"
quick=0
[ "${1:-}" = "--quick" ] && { quick=1; shift; }
jobs=$(nproc)

scripts/install-deps.sh
BUILD_DIR=build scripts/build.sh -DCMAKE_BUILD_TYPE=RelWithDebInfo

# A PostgreSQL server for the database tests (label "database"); they skip without it.
pgdir=$(mktemp -d)
trap 'scripts/pg-test-server.sh stop "$pgdir"' EXIT
if KEV_TEST_PG_ODBC=$(scripts/pg-test-server.sh start "$pgdir"); then
  export KEV_TEST_PG_ODBC
else
  echo "test.sh: no PostgreSQL test server; its database tests are skipped" >&2
fi
if [ $quick -eq 1 ]; then
  ctest --test-dir build --output-on-failure -j"$jobs" -LE office-e2e "$@"
  exit 0
fi
ctest --test-dir build --output-on-failure -j"$jobs" "$@"

BUILD_DIR=build-asan scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
  -DPIT_SANITIZE=ON -DPIT_BUILD_BENCH=OFF -DPIT_WIDGET_TESTS=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE 'office-e2e|database' "$@"

tools/run-fuzz.sh 60
