#!/usr/bin/env bash
# Builds a release of the program (the program and zalvert-newdb only, no tests or
# benchmarks) and makes the Debian package zalvert-importer_<version>_amd64.deb in
# the project folder. Install it with: apt install ./zalvert-importer_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Without the install step's dependency on every target, the package step builds
# nothing but what it installs.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DZALVERT_BENCH=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON > /dev/null
cmake --build build-package --target zalvert-importer zalvert-newdb zi_package_docs
cpack -G DEB --config build-package/CPackConfig.cmake -B build-package/package
cp build-package/package/zalvert-importer_*_amd64.deb .
ls -l zalvert-importer_*_amd64.deb
