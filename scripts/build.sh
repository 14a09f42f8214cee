#!/usr/bin/env bash
# Configures and builds one build folder: build.sh FOLDER [cmake options...]
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$1
shift
cmake -S . -B "$folder" -G Ninja "$@" > "$folder.configure.log" 2>&1 || { cat "$folder.configure.log"; exit 1; }
cmake --build "$folder"
