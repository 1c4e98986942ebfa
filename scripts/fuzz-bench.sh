#!/bin/sh
# Usage: sh scripts/fuzz-bench.sh [executions] [target...]
# Runs each libFuzzer target (all of fuzz/*_fuzz.cpp by default) from its seed files until it
# has made the given number of executions (default 10 million, the bar) or its time is up, and
# prints per target the executions, the time, the speed against the speed the goal needs,
# whether it reached the goal, coverage, the bound on an input's length and findings.
#   FUZZ_SECONDS  time per target (default 480)
#   JOBS          targets run at once (default 2: the 2-core kind of machine, one per core)
#   FUZZ_BUILD    where the targets are built with clang (default build-fuzz/)
# Inputs and findings go to a temporary folder that is removed at the end, except the inputs of
# a finding, which are kept in fuzz-findings/. Exit status 1 for a finding or a target short of
# the goal.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
if [ "$1" = "--one" ]; then
    # One target, run by the loop below: its row goes to $WORK/<target>.row.
    t=$2
    corpus="$WORK/$t"
    mkdir -p "$corpus" "$WORK/artifacts-$t"
    # The seeds are only read: new inputs go to the temporary corpus.
    seeds=""
    [ -d "fuzz/seeds/$t" ] && seeds="$ROOT/fuzz/seeds/$t"
    # Inputs up to the largest seed, at least 1 KB (libFuzzer's own bound is 4 KB): the table
    # seeds hold every section with a window of rows, so a longer input only repeats rows; in
    # 100 s runs of the process-table and parameter-file targets coverage stopped growing below
    # 1.2 KB while the speed fell by half as the inputs grew to 4 KB. An expression longer than
    # 255 characters is refused before it is parsed.
    maxlen=1024
    if [ -n "$seeds" ]; then
        big=$(ls -S "$seeds" | head -1)
        [ -z "$big" ] || [ "$(wc -c <"$seeds/$big")" -le "$maxlen" ] || maxlen=$(wc -c <"$seeds/$big")
    fi
    [ "$t" != expression_fuzz ] || maxlen=256
    # Of inputs that reach equally rare features, the faster are picked more often: for the
    # table and file targets the speed rose by a quarter to three times in 120 s runs side by
    # side, with the same coverage.
    rc=0
    start=$(date +%s)
    "$BUILD/$t" -runs="$RUNS" -max_total_time="$SECONDS_EACH" -max_len="$maxlen" -close_fd_mask=1 -rss_limit_mb=2048 \
        -entropic_scale_per_exec_time=1 \
        -print_final_stats=1 -artifact_prefix="$WORK/artifacts-$t/" "$corpus" $seeds >"$WORK/$t.log" 2>&1 || rc=$?
    took=$(( $(date +%s) - start ))
    line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED)' "$WORK/$t.log" | tail -1)
    execs=$(grep -E '^stat::number_of_executed_units' "$WORK/$t.log" | awk '{print $2}')
    [ -n "$execs" ] || execs=$(echo "$line" | sed -n 's/^#\([0-9]*\).*/\1/p')
    execs=${execs:-0}
    cov=$(echo "$line" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$line" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
    # The speed over the whole run, start-up and seed loading included.
    [ "$took" -gt 0 ] || took=1
    speed=$((execs / took))
    found=0
    if [ "$rc" -ne 0 ] || ls "$WORK/artifacts-$t" | grep -q .; then
        found=1
        mkdir -p "$KEEP"
        cp "$WORK/artifacts-$t"/* "$KEEP/" 2>/dev/null || true
        cp "$WORK/$t.log" "$KEEP/$t.log"
    fi
    [ "$found" -eq 0 ] || : >"$WORK/$t.found"
    goal=yes
    [ "$execs" -ge "$RUNS" ] || { goal=no; : >"$WORK/$t.short"; }
    note=$found
    [ "$found" -ne 0 ] && note="$found (see fuzz-findings/$t.log)"
    printf '%-22s %11s %6s %8s %8s %5s %6s %6s %7s  %s\n' "$t" "$execs" "$took" "$speed" "$NEED" "$goal" \
        "${cov:-?}" "${ft:-?}" "$maxlen" "$note" >"$WORK/$t.row"
    exit 0
fi

RUNS=${1:-10000000}
[ $# -gt 0 ] && shift
BUILD=${FUZZ_BUILD:-$ROOT/build-fuzz}
SECONDS_EACH=${FUZZ_SECONDS:-480}
JOBS=${JOBS:-2}
BAR=10000000
case "$RUNS$SECONDS_EACH$JOBS" in ''|*[!0-9]*) echo "usage: $0 [executions] [target...]" >&2; exit 2 ;; esac
command -v clang++ >/dev/null 2>&1 || { echo "fuzz-bench: clang++ is needed"; exit 1; }
cmake -S fuzz -B "$BUILD" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$JOBS" >/dev/null
TARGETS="$*"
[ -n "$TARGETS" ] || TARGETS=$(cd fuzz && ls *_fuzz.cpp | sed 's/\.cpp$//')
WORK=$(mktemp -d "${TMPDIR:-/tmp}/sp-fuzz-bench-XXXXXX")
KEEP="$ROOT/fuzz-findings"
NEED=$(( (RUNS + SECONDS_EACH - 1) / SECONDS_EACH ))
trap 'rm -rf "$WORK"' EXIT INT TERM
export WORK BUILD RUNS SECONDS_EACH KEEP NEED ROOT
echo "each target: $RUNS executions or $SECONDS_EACH s, whichever comes first; $JOBS at a time" \
    "(needs $NEED exec/s)"
printf '%-22s %11s %6s %8s %8s %5s %6s %6s %7s  %s\n' target executions s exec/s needed goal cov ft max_len findings
for t in $TARGETS; do
    echo "$t"
done | xargs -n 1 -P "$JOBS" sh "$ROOT/scripts/fuzz-bench.sh" --one || true
worst=0
short=0
for t in $TARGETS; do
    if [ ! -f "$WORK/$t.row" ]; then
        printf '%-22s did not run\n' "$t"
        worst=1
        continue
    fi
    cat "$WORK/$t.row"
    [ ! -f "$WORK/$t.short" ] || { short=$((short + 1)); worst=1; }
    [ ! -f "$WORK/$t.found" ] || worst=1
done
count=$(echo $TARGETS | wc -w)
echo "$((count - short)) of $count targets reached $RUNS executions (bar: $BAR per target without a finding)"
exit $worst
