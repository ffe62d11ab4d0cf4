#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) in build-fuzz/ and
# runs each for a time or a number of runs, starting from its seed corpus in
# tests/fuzz/corpus/<target>. Prints the executions and findings of each;
# the exit status is 0 only when no target found anything.
#
#   tools/run_fuzzers.sh [--time SECONDS | --runs N] [target ...]
#
# Findings (the inputs that failed) are written to build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

limit=(-max_total_time=30)
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --time) limit=(-max_total_time="$2"); shift 2 ;;
        --runs) limit=(-runs="$2"); shift 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done
[ ${#targets[@]} -eq 0 ] && targets=(skin_field count_text shell_line update_reply)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVESPERON_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null

mkdir -p build-fuzz/findings
failed=0
printf '%-14s %14s %10s %9s\n' target executions seconds findings
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
    log=build-fuzz/$target.log
    start=$(date +%s)
    status=0
    ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        build-fuzz/fuzz_"$target" "${limit[@]}" -print_final_stats=1 -rss_limit_mb=2048 -timeout=10 \
        -artifact_prefix=build-fuzz/findings/"$target"- "$corpus" >"$log" 2>&1 || status=$?
    seconds=$(( $(date +%s) - start ))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    findings=$(find build-fuzz/findings -name "$target-*" | wc -l)
    printf '%-14s %14s %10s %9s\n' "$target" "${runs:-?}" "$seconds" "$findings"
    if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
        failed=1
        echo "--- $target: see $log" >&2
        grep -E "ERROR|SUMMARY|runtime error" "$log" | head -5 >&2 || true
    fi
done
exit $failed
