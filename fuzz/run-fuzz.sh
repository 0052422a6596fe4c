#!/bin/sh
# Builds the fuzz targets with clang, libFuzzer, ASan and UBSan, and fuzzes each for the given number
# of seconds (default 60): `parser` (the feed parser), `config` (the settings and timestamp loaders)
# and `catalog` (the catalog reader); further arguments choose some of them. New inputs go to
# build-fuzz/corpus-<target>; fuzz/corpus (the parser's), fuzz/corpus-config and fuzz/corpus-catalog
# are the seeds. A crash leaves its input in build-fuzz/ and makes the script fail.
set -eu

seconds=${1:-60}
[ $# -gt 0 ] && shift
targets=${*:-parser feed config catalog}
root=$(cd "$(dirname "$0")/.." && pwd)
out=${TAVRIN_FUZZ_DIR:-$root/build-fuzz}
cxx=${FUZZ_CXX:-$(command -v clang++ || command -v clang++-14)}
files="$root/src/platform/posix/Dos.cpp $root/src/platform/posix/Paths.cpp $root/src/platform/posix/Spawn.cpp"

# The program's text numbers and defaults come from the catalog description, as in the build.
mkdir -p "$out/generated"
"$cxx" -std=c++20 -O1 "$root/tools/catcomp.cpp" -o "$out/catcomp"
"$out/catcomp" --code "$root/catalogs/Tavrin.cd" "$out/generated/TavrinStrings.h" "$out/generated/TavrinStrings.cpp"

for target in $targets; do
    case $target in
    parser)
        sources="$root/src/TavrinList.cpp $root/src/TavrinParser.cpp $root/src/TavrinPage.cpp
            $root/src/TavrinEntities.cpp $root/src/platform/posix/ExecList.cpp $root/tests/platform/FakeListNode.cpp"
        seeds=$root/fuzz/corpus max_len=16384 ;;
    feed)
        sources="$root/src/TavrinFeed.cpp $root/src/TavrinFeedDate.cpp $root/src/TavrinFeedText.cpp
            $root/src/TavrinUrl.cpp $root/src/TavrinList.cpp $root/src/TavrinParser.cpp $root/src/TavrinPage.cpp
            $root/src/TavrinEntities.cpp $root/src/TavrinUtil.cpp $root/src/platform/expat/Xml.cpp
            $root/src/platform/posix/LocalTime.cpp $root/src/platform/posix/ExecList.cpp
            $root/tests/platform/FakeListNode.cpp -lexpat"
        seeds=$root/fuzz/corpus-feed max_len=16384 ;;
    config)
        sources="$root/src/TavrinConfig.cpp $root/src/TavrinUtil.cpp $root/tests/platform/core/TestFiles.cpp $files"
        seeds=$root/fuzz/corpus-config max_len=1024 ;;
    catalog)
        sources="$root/src/TavrinLocale.cpp $root/src/platform/posix/Catalog.cpp $files"
        seeds=$root/fuzz/corpus-catalog max_len=16384 ;;
    *)
        echo "run-fuzz.sh: no fuzz target $target (parser, feed, config, catalog)" >&2
        exit 2 ;;
    esac
    name=$(echo "$target" | sed 's/./\U&/')
    mkdir -p "$out/corpus-$target"
    # shellcheck disable=SC2086 # the source lists are split on purpose
    "$cxx" -std=c++20 -g -O1 -Wall -Wextra -Werror -Wno-missing-field-initializers \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer \
        -I"$root/include" -I"$root/src" -I"$root/tests" -I"$out/generated" "$out/generated/TavrinStrings.cpp" \
        "$root/fuzz/Fuzz$name.cpp" "$root/fuzz/FuzzHost.cpp" $sources -o "$out/tavrin_fuzz_$target"
    echo "== $target: $seconds s"
    (cd "$out" && "./tavrin_fuzz_$target" -max_total_time="$seconds" -max_len="$max_len" -print_final_stats=1 \
        -artifact_prefix="$out/$target-" "corpus-$target" "$seeds")
done
