#!/bin/sh
# Builds the feed parser's fuzz target with clang, libFuzzer, ASan and UBSan, and fuzzes it for the
# given number of seconds (default 60). New inputs go to build-fuzz/corpus; fuzz/corpus is the seed.
# A crash leaves its input in build-fuzz/ and makes the script fail.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
out=${TAVRIN_FUZZ_DIR:-$root/build-fuzz}
cxx=${FUZZ_CXX:-$(command -v clang++ || command -v clang++-14)}

mkdir -p "$out/corpus"
"$cxx" -std=c++20 -g -O1 -Wall -Wextra -Werror -Wno-missing-field-initializers \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
    -I"$root/include" -I"$root/src" -I"$root/tests" \
    "$root/fuzz/FuzzParser.cpp" "$root/fuzz/FuzzHost.cpp" \
    "$root/src/TavrinList.cpp" "$root/src/TavrinParser.cpp" "$root/src/TavrinPage.cpp" \
    "$root/src/platform/posix/ExecList.cpp" "$root/tests/platform/FakeListNode.cpp" \
    -o "$out/tavrin_fuzz_parser"

cd "$out"
./tavrin_fuzz_parser -max_total_time="$seconds" -max_len=16384 -print_final_stats=1 \
    -artifact_prefix="$out/" corpus "$root/fuzz/corpus"
