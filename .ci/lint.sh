#!/usr/bin/env bash
# Static analysis of the library's sources: clang-format in check mode,
# clang-tidy with the checked-in .clang-tidy and clazy's Qt checks. Any finding
# fails. Usage: .ci/lint.sh <configured build directory> [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-rel}
jobs=${2:-$(nproc)}

mapfile -t sources < <(find src -name '*.cpp' | sort)
mapfile -t headers < <(find src include -name '*.h' | sort)
mapfile -t fuzzers < <(find fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | sort)

echo "clang-format: ${#sources[@]} sources, ${#headers[@]} headers"
clang-format --dry-run --Werror "${sources[@]}" "${headers[@]}" "${fuzzers[@]}"

echo "clang-tidy"
printf '%s\n' "${sources[@]}" |
    xargs -P "$jobs" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null

echo "clazy"
report=$(mktemp)
trap 'rm -f "$report"' EXIT
# level0 and level1 hold the checks without false positives on ordinary Qt code.
printf '%s\n' "${sources[@]}" |
    xargs -P "$jobs" -n 4 clazy-standalone -p "$build" \
        --checks=level0,level1,no-non-pod-global-static --ignore-dirs='/usr/' \
        --header-filter='/(src|include)/' >"$report" 2>&1 || true
if grep -E 'warning:|error:' "$report"; then
    echo "clazy reported findings" >&2
    exit 1
fi
echo "lint clean"
