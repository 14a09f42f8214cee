#!/usr/bin/env bash
# Builds the parsers' fuzz targets with clang and libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each from its seed corpus (tests/fuzz/corpus).
#
#   fuzz.sh [SECONDS]  each target for that long (default 60), from a random seed,
#                      growing a corpus of its own in build-fuzz/
#   fuzz.sh --check    each target for a fixed number of inputs (about 30 s) from a
#                      fixed seed and the seed corpus alone, so that a run gives the
#                      same verdict on every machine; the test command uses it
#
# A failing input is kept in build-fuzz/ and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-fuzz
mkdir -p "$out/obj"
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined
       -fno-sanitize-recover=undefined -I.)

# The run-time pieces and the engine's parser, compiled once for every target.
sources=(rtl/*.cpp import/Mtools.cpp engine/sqlite/SqlTranslator.cpp engine/core/SqlTokenizer.cpp
         engine/sqlite/Sqlite.cpp engine/sqlite/SqlFunctions.cpp engine/sqlite/SqlArithmetic.cpp engine/core/StorageFormat.cpp
         engine/sqlite/GermanText.cpp engine/core/DateLiteral.cpp engine/core/DialectFunctions.cpp
         engine/core/DialectTypes.cpp engine/core/DialectWords.cpp)
# The objects are compiled side by side, one per core.
objects=()
compiling=()
for source in "${sources[@]}"; do
    object="$out/obj/$(echo "$source" | tr '/' '_').o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ] || [ -n "$(find engine rtl import -name '*.h' -newer "$object")" ]; then
        while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do sleep 0.2; done
        clang++ "${flags[@]}" -fsanitize=fuzzer-no-link -c "$source" -o "$object" &
        compiling+=($!)
    fi
    objects+=("$object")
done
for job in "${compiling[@]}"; do wait "$job"; done

# Target, its source, and the inputs of a check run (about 30 s each here).
targets=(
    "blob_content BlobContentFuzz.cpp 650000"
    "date_convert DateConvertFuzz.cpp 8000000"
    "file_name_text FileNameTextFuzz.cpp 750000"
    "ini_file IniFileFuzz.cpp 3000"
    "next_field NextFieldFuzz.cpp 600000"
    "sql_translator SqlTranslatorFuzz.cpp 600000"
    "text_file_reader TextFileReaderFuzz.cpp 5000"
    "variant_text VariantTextFuzz.cpp 600000"
)
for entry in "${targets[@]}"; do
    read -r name source runs <<< "$entry"
    clang++ "${flags[@]}" -fsanitize=fuzzer "tests/fuzz/$source" "${objects[@]}" \
        -lsqlite3 -licui18n -licuuc -o "$out/$name"
    corpus="$out/corpus-$name"
    if [ "${1:-}" = "--check" ]; then
        rm -rf "$corpus-check" && mkdir -p "$corpus-check"
        echo "== fuzz $name ($runs inputs, fixed seed) =="
        (cd "$out" && "./$name" -seed=1 -runs="$runs" -max_len=65536 -print_final_stats=0 \
            "corpus-$name-check" "../tests/fuzz/corpus/$name" 2>&1 | tail -n 2)
    else
        mkdir -p "$corpus"
        echo "== fuzz $name (${1:-60} s) =="
        (cd "$out" && "./$name" -max_total_time="${1:-60}" -max_len=65536 -print_final_stats=0 \
            "corpus-$name" "../tests/fuzz/corpus/$name" 2>&1 | tail -n 2)
    fi
done
