#!/usr/bin/env bash
# Runs every fuzz target for a bounded time from corpora seeded with the
# sandbox's data, after replaying the inputs that once found a fault.
# Usage: fuzz/run.sh <fuzz build directory> [seconds per target] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(codecs periods conditions updatecheck limits cookies httpreply)

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0
export LSAN_OPTIONS=suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_QPA_PLATFORM=offscreen

"$build/make_corpus" tools/sandbox/data/seed.json "$build/corpus"
for target in "${targets[@]}"; do
    binary="$build/fuzz_$target"
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    if compgen -G "fuzz/regressions/$target/*" >/dev/null; then
        "$binary" fuzz/regressions/"$target"/* >/dev/null 2>&1 || {
            echo "fuzz_$target: a regression input fails again" >&2
            exit 1
        }
    fi
    log="$build/fuzz_$target.log"
    if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$build/$target-" "$corpus" >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "fuzz_$target: finding; the input is in $build/$target-*" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz_$target: $runs executions in ${seconds} s, no finding"
done
