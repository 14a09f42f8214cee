#!/usr/bin/env bash
# Builds the parsers' fuzz targets with clang and libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each from its seed corpus (tests/fuzz/corpus)
# for the given seconds: fuzz.sh [SECONDS_PER_TARGET]. A failing input is kept in
# build-fuzz/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
out=build-fuzz
mkdir -p "$out/obj"
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined
       -fno-sanitize-recover=undefined -I.)

# The run-time pieces and the engine's parser, compiled once for every target.
sources=(rtl/*.cpp import/Mtools.cpp engine/SqlTranslator.cpp engine/SqlTokenizer.cpp
         engine/Sqlite.cpp engine/SqlFunctions.cpp engine/StorageFormat.cpp engine/GermanText.cpp)
objects=()
for source in "${sources[@]}"; do
    object="$out/obj/$(echo "$source" | tr '/' '_').o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ]; then
        clang++ "${flags[@]}" -fsanitize=fuzzer-no-link -c "$source" -o "$object"
    fi
    objects+=("$object")
done

declare -A targets=(
    [next_field]=NextFieldFuzz.cpp
    [text_file_reader]=TextFileReaderFuzz.cpp
    [date_convert]=DateConvertFuzz.cpp
    [ini_file]=IniFileFuzz.cpp
    [sql_translator]=SqlTranslatorFuzz.cpp
    [variant_text]=VariantTextFuzz.cpp
)
for name in $(printf '%s\n' "${!targets[@]}" | sort); do
    clang++ "${flags[@]}" -fsanitize=fuzzer "tests/fuzz/${targets[$name]}" "${objects[@]}" \
        -lsqlite3 -licui18n -licuuc -o "$out/$name"
    mkdir -p "$out/corpus-$name"
    echo "== fuzz $name (${seconds} s) =="
    (cd "$out" && "./$name" -max_total_time="$seconds" -max_len=65536 -print_final_stats=0 \
        "corpus-$name" "../tests/fuzz/corpus/$name" 2>&1 | tail -n 3)
done
