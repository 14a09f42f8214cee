#!/usr/bin/env bash
# Builds and runs the parsers' fuzz targets under libFuzzer (a fixed run of about
# 30 s each), the whole test suite, then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer. The ODBC tests run against a
# PostgreSQL cluster of their own, started here and stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each step's heading with the time, so that a log shows where the time went.
step() { echo "== $(date +%T) $* =="; }
step "Dependencies and builds"
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DZALVERT_SANITIZE=ON -DZALVERT_BENCH=OFF
step "Fuzz targets of the parsers (libFuzzer, about 30 s each)"
bash scripts/fuzz.sh --check
export QT_QPA_PLATFORM=offscreen
step "A throwaway PostgreSQL cluster for the ODBC tests (Unix socket only)"
odbc_dir=$(mktemp -d /tmp/zalvert-odbc.XXXXXX)
trap 'bash scripts/odbc-server.sh stop "$odbc_dir"' EXIT
eval "$(bash scripts/odbc-server.sh start "$odbc_dir")"
# The server's tests must run here, not be skipped.
export ZALVERT_REQUIRE_ODBC=1
echo "ODBC tests against: $ZALVERT_TEST_ODBC"
# Runs one build's suite; on failure repeats each failed assertion with its
# context at the end, where a long log's middle cannot swallow it.
run_suite() {
    local status=0
    ctest --test-dir "$1" --output-on-failure || status=$?
    if [ "$status" -ne 0 ]; then
        step "What failed in $1"
        grep -a -B3 -A14 -E ': Failure$|^\[  FAILED  \]' "$1/Testing/Temporary/LastTest.log" |
            grep -a -v -E 'propagateSizeHints|XDG_RUNTIME_DIR' | head -400 || true
    fi
    return "$status"
}
step "Test suite"
run_suite build
step "Test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
run_suite build-asan
step "Done"
