#!/bin/sh
# Usage: soak-tests.sh [N]  - runs the built suite N times (default 20) with twice as many jobs as
# cores while a CPU hog runs beside it, then prints each test that failed with its count.
# BUILD_DIR (default build), JOBS (ctest's jobs, default twice the cores; set it lower on a shared
# machine) and HOGS (busy loops, default 1; 0 for none) change the load; the logs of failed runs
# stay in $BUILD_DIR/soak/.
cd "$(dirname "$0")/.."
BUILD=${BUILD_DIR:-build}
N=${1:-20}
JOBS=${JOBS:-$(( $(nproc) * 2 ))}
HOGS=${HOGS:-1}
case "$N" in ''|*[!0-9]*) echo "usage: $0 [runs]" >&2; exit 2 ;; esac
case "$JOBS" in ''|*[!0-9]*|0) echo "$0: JOBS must be a number of jobs, not '$JOBS'" >&2; exit 2 ;; esac
case "$HOGS" in ''|*[!0-9]*) echo "$0: HOGS must be a number of busy loops, not '$HOGS'" >&2; exit 2 ;; esac
[ -f "$BUILD/CTestTestfile.cmake" ] || { echo "no build in $BUILD: build first" >&2; exit 2; }
cd "$BUILD"
OUT=soak
rm -rf "$OUT"
mkdir -p "$OUT"

HOG_PIDS=""
stop_hogs()
{
    for p in $HOG_PIDS; do
        kill "$p" 2>/dev/null
    done
    HOG_PIDS=""
}
trap 'stop_hogs' EXIT
trap 'stop_hogs; exit 130' INT TERM
i=0
while [ "$i" -lt "$HOGS" ]; do
    sh -c 'while :; do :; done' &
    HOG_PIDS="$HOG_PIDS $!"
    i=$((i + 1))
done

passed=0
run=1
: > "$OUT/failures"
while [ "$run" -le "$N" ]; do
    log="$OUT/run-$run.log"
    if QT_QPA_PLATFORM=offscreen LC_ALL=C TZ=Asia/Shanghai ctest -j "$JOBS" --output-on-failure --timeout 120 \
        > "$log" 2>&1; then
        passed=$((passed + 1))
        rm -f "$log"
        echo "run $run/$N: passed"
    else
        # ctest's summary lines: "  12 - Suite.Name (Failed)" and the like.
        grep -E '^[[:space:]]*[0-9]+ - .* \((Failed|Timeout|SEGFAULT|Subprocess|Not Run|Exception|Child aborted)' "$log" \
            | sed -E 's/^[[:space:]]*[0-9]+ - //' >> "$OUT/failures"
        echo "run $run/$N: FAILED (log $BUILD/$log)"
    fi
    run=$((run + 1))
done
stop_hogs

echo "$passed of $N runs passed (-j $JOBS, $HOGS hog(s))"
if [ -s "$OUT/failures" ]; then
    echo "failures per test:"
    sort "$OUT/failures" | uniq -c | sort -rn
    exit 1
fi
exit 0
