#!/usr/bin/env bash
# Runs the parsers' fuzz targets under libFuzzer (clang), longer than the test
# suite does: fuzz.sh [SECONDS_PER_TARGET]. Needs clang and libclang-rt-14-dev.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build-fuzz
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I.)
rtl=(rtl/TextFileReader.cpp rtl/CodePage.cpp rtl/Utf8.cpp rtl/FileErrors.cpp rtl/Exceptions.cpp
     rtl/DateConvert.cpp rtl/DateTime.cpp rtl/FormatSettings.cpp)
declare -A targets=(
    [next_field]="tests/fuzz/NextFieldFuzz.cpp import/Mtools.cpp"
    [text_file_reader]="tests/fuzz/TextFileReaderFuzz.cpp ${rtl[*]}"
    [date_convert]="tests/fuzz/DateConvertFuzz.cpp ${rtl[*]}"
)
for name in "${!targets[@]}"; do
    # shellcheck disable=SC2086
    clang++ "${flags[@]}" ${targets[$name]} -o "$out/$name"
    mkdir -p "$out/corpus-$name"
    "$out/$name" -max_total_time="$seconds" -max_len=65536 "$out/corpus-$name"
done
