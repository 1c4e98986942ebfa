#!/bin/sh
# Usage: sh scripts/fuzz-bench.sh [executions] [target...]
# Runs each libFuzzer target (all of fuzz/*_fuzz.cpp by default) for the given number of
# executions from its seed files and prints executions, coverage and findings per target.
# The bar is 10 million executions per target without a finding. The targets are built with
# clang in build-fuzz/ (FUZZ_BUILD); inputs and findings go to a temporary folder that is
# removed at the end, except the inputs of a finding, which are kept and named.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
RUNS=${1:-10000000}
[ $# -gt 0 ] && shift
BUILD=${FUZZ_BUILD:-$ROOT/build-fuzz}
BAR=10000000
command -v clang++ >/dev/null 2>&1 || { echo "fuzz-bench: clang++ is needed"; exit 1; }
cmake -S fuzz -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "${JOBS:-2}" >/dev/null
TARGETS="$*"
[ -n "$TARGETS" ] || TARGETS=$(cd fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')
WORK=$(mktemp -d "${TMPDIR:-/tmp}/sp-fuzz-bench-XXXXXX")
KEEP="$ROOT/fuzz-findings"
trap 'rm -rf "$WORK"' EXIT INT TERM
printf '%-22s %12s %8s %8s %9s  %s\n' target executions cov features exec/s findings
worst=0
for t in $TARGETS; do
    corpus="$WORK/$t"
    mkdir -p "$corpus" "$WORK/artifacts-$t"
    # The seeds are only read: new inputs go to the temporary corpus.
    seeds=""
    [ -d "fuzz/seeds/$t" ] && seeds="$ROOT/fuzz/seeds/$t"
    rc=0
    "$BUILD/$t" -runs="$RUNS" -close_fd_mask=1 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$WORK/artifacts-$t/" "$corpus" $seeds >"$WORK/$t.log" 2>&1 || rc=$?
    line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED)' "$WORK/$t.log" | tail -1)
    execs=$(grep -E '^stat::number_of_executed_units' "$WORK/$t.log" | awk '{print $2}')
    speed=$(grep -E '^stat::average_exec_per_sec' "$WORK/$t.log" | awk '{print $2}')
    cov=$(echo "$line" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$line" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
    found=0
    if [ "$rc" -ne 0 ] || ls "$WORK/artifacts-$t" | grep -q .; then
        found=1
        worst=1
        mkdir -p "$KEEP"
        cp "$WORK/artifacts-$t"/* "$KEEP/" 2>/dev/null || true
        cp "$WORK/$t.log" "$KEEP/$t.log"
    fi
    [ -n "$execs" ] || execs=$(echo "$line" | sed -n 's/^#\([0-9]*\).*/\1/p')
    # A run shorter than a second reports no speed.
    [ "${speed:-0}" = 0 ] && speed="fast"
    note=$found
    [ "$found" -ne 0 ] && note="$found (see fuzz-findings/$t.log)"
    printf '%-22s %12s %8s %8s %9s  %s\n' "$t" "${execs:-0}" "${cov:-?}" "${ft:-?}" "${speed:-?}" "$note"
done
echo "bar: $BAR executions per target without a finding (this run: $RUNS each)"
exit $worst
