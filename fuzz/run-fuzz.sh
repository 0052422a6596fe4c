#!/bin/sh
# Builds the fuzz targets with clang, libFuzzer, ASan and UBSan (the build's TAVRIN_FUZZ and
# TAVRIN_SANITIZE, in build-fuzz), and fuzzes each for the given number of seconds (default 60):
# `parser` (the feed parser), `feed` (the feed reader), `config` (the settings and timestamp loaders)
# and `catalog` (the catalog reader); further arguments choose some of them. New inputs go to
# build-fuzz/corpus-<target>; fuzz/corpus (the parser's) and fuzz/corpus-<target> are the seeds. A crash
# leaves its input in build-fuzz/ and makes the script fail.
set -eu

seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-parser feed config catalog}
root=$(cd "$(dirname "$0")/.." && pwd)
out=${TAVRIN_FUZZ_DIR:-$root/build-fuzz}
cc=${FUZZ_CC:-$(command -v clang || command -v clang-14)}
cxx=${FUZZ_CXX:-$(command -v clang++ || command -v clang++-14)}

for target in $targets; do
    case $target in
    parser | feed | config | catalog) ;;
    *)
        echo "run-fuzz.sh: no fuzz target $target (parser, feed, config, catalog)" >&2
        exit 2 ;;
    esac
done

cmake -S "$root" -B "$out" -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVRIN_FUZZ=ON -DTAVRIN_SANITIZE=ON >/dev/null
# shellcheck disable=SC2046 # one target name per word
cmake --build "$out" -j"${JOBS:-2}" --target $(for t in $targets; do echo "tavrin_fuzz_$t"; done)

for target in $targets; do
    seeds=$root/fuzz/corpus-$target max_len=16384
    case $target in
    parser) seeds=$root/fuzz/corpus ;;
    config) max_len=1024 ;;
    esac
    mkdir -p "$out/corpus-$target"
    echo "== $target: $seconds s"
    # The program's debug lines go to standard output, libFuzzer's report to standard error.
    (cd "$out" && "./fuzz/tavrin_fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
        -artifact_prefix="$out/$target-" "corpus-$target" "$seeds" >/dev/null)
done
