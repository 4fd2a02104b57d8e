#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and fuzzes each one for a bounded time, then prints what each run
# did: executions, executions per second, coverage ("cov:" edges, "ft:" features) and corpus size.
#
#   fuzz/run-fuzzers.sh [SECONDS [TARGET...]]     SECONDS per target, 60 by default; all targets by default
#
# Environment: CXX (default clang++-14, else clang++), SLABCAL_FUZZ_BUILD (default build/fuzz),
# SLABCAL_FUZZ_JOBS (build jobs, default 2), SLABCAL_FUZZ_MAX_LEN (largest input libFuzzer makes, default
# 4096, libFuzzer's own; the large seeds are loaded cut to that length and replayed whole by ctest).
# New inputs go to <build>/fuzz/work/<target> and stay there for the next run; the repository's corpus is
# only read. Exit status 1 when a target found a failing input: it is saved under <build>/fuzz/artifacts/
# and belongs in fuzz/corpus/<target>/ as a regression input once the fault is fixed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(parameter_file_save parameter_file_round_trip)
fi
build=${SLABCAL_FUZZ_BUILD:-$root/build/fuzz}
jobs=${SLABCAL_FUZZ_JOBS:-2}
maxLen=${SLABCAL_FUZZ_MAX_LEN:-4096}
if [ -z "${CXX:-}" ]; then
    if command -v clang++-14 >/dev/null; then CXX=clang++-14; else CXX=clang++; fi
fi

case "$seconds" in
    '' | *[!0-9]*) echo "usage: $0 [SECONDS [TARGET...]]" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSLABCAL_BUILD_FUZZ=ON -DSLABCAL_BUILD_TESTS=OFF -DSLABCAL_BUILD_QT=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target "${targets[@]/%/_fuzzer}" >/dev/null

# The value of "stat::NAME:" in a log, or "?".
stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -n 1 | grep . || echo "?"; }
# The value after "NAME:" on the last status line of a log, or "?".
status() { grep -E '^#[0-9]+' "$2" | tail -n 1 | sed -n "s/.* $1: \([^ ]*\).*/\1/p" | grep . || echo "?"; }

failed=0
for target in "${targets[@]}"; do
    work="$build/fuzz/work/$target"
    artifacts="$build/fuzz/artifacts/$target"
    log="$build/fuzz/logs/$target.log"
    mkdir -p "$work" "$artifacts" "$(dirname "$log")"
    command=("$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1
        -dict="$here/dictionary" -max_len="$maxLen" -timeout=30 -artifact_prefix="$artifacts/"
        "$work" "$here/corpus/$target" "$build/fuzz/seeds/$target")
    echo "== $target: ${command[*]}"
    result=0
    "${command[@]}" >"$log" 2>&1 || result=$?

    executions=$(stat number_of_executed_units "$log")
    echo "   executions: $executions in $seconds s, $(stat average_exec_per_sec "$log")/s;" \
        "cov: $(status cov "$log"), ft: $(status ft "$log"), corpus: $(status corp "$log");" \
        "peak RSS $(stat peak_rss_mb "$log") MB"
    if [ "$result" -ne 0 ]; then
        failed=1
        echo "   FAILED (exit $result), log: $log"
        grep -E 'fuzz property broken|ERROR: |SUMMARY: |Test unit written to' "$log" | sed 's/^/   /' || true
    fi
done
exit "$failed"
