#!/usr/bin/env bash
# Builds and runs the whole test suite, then the same suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DZALVERT_SANITIZE=ON -DZALVERT_BENCH=OFF
export QT_QPA_PLATFORM=offscreen
echo "== Test suite =="
ctest --test-dir build --output-on-failure
echo "== Test suite under AddressSanitizer and UndefinedBehaviorSanitizer =="
ctest --test-dir build-asan --output-on-failure
