#!/usr/bin/env bash
# Runs bench_server against a throwaway PostgreSQL cluster, stopped at the end.
#   bench/server-bench.sh [BUILD_FOLDER [LINES | fenster RECORDS]]   (default: build, both parts)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift || true
dir=$(mktemp -d /tmp/zalvert-bench-odbc.XXXXXX)
trap 'bash scripts/odbc-server.sh stop "$dir"' EXIT
# With fsync on: the server keeps its commits as the database file keeps its own.
eval "$(ZALVERT_SERVER_FSYNC=on bash scripts/odbc-server.sh start "$dir")"
export ZALVERT_BENCH_ODBC="$ZALVERT_TEST_ODBC"
export ZALVERT_BENCH_PSQL="psql -q -h $dir -p 54329 -U zalvert zalvert"
"$build/bench/bench_server" "$@"
if [ $# -eq 0 ]; then
    for rows in 100000 1000000; do "$build/bench/bench_server" fenster "$rows"; done
fi
