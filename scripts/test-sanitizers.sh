#!/bin/sh
# Usage: sh scripts/test-sanitizers.sh [asan] [asan-links] [tsan]   (asan and tsan when none is named)
# asan: every test program built with AddressSanitizer, LeakSanitizer and UBSan in build-asan/,
# and the whole suite run.
# asan-links: the same for the test programs of the two links, their threads and the common
# files only, in build-asan-links/ (a quicker check by hand).
# tsan: the tests whose threads share data, built with ThreadSanitizer in build-tsan/ (the
# programs of STATIONPANEL_TEST_ONLY when the folder sets it, else those of the links, the common
# files and the panel's data, energy and upgrade threads).
# Only the test programs are built (target scoped_tests). Any sanitizer report fails the run,
# also one from a test that otherwise passed.
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
KINDS="$*"
[ -n "$KINDS" ] || KINDS="asan tsan"
JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen LC_ALL=C TZ=Asia/Shanghai
# Only allocations inside Qt's own code are forgiven (see the file).
export LSAN_OPTIONS="suppressions=$ROOT/scripts/lsan-qt.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Qt is not built with ThreadSanitizer: its own accesses are not judged, and the one hand-off it
# hides (a QThread's end) is named in the file.
export TSAN_OPTIONS="halt_on_error=0:exitcode=66:second_deadlock_stack=1:history_size=4:ignore_noninstrumented_modules=1:suppressions=$ROOT/scripts/tsan-qt.supp"
# -O1 with line tables: a third of the compile time of -O2 -g, and reports still name lines.
# clang (installed by the test command for the fuzz targets) builds these in half gcc's time.
COMPILERS=""
command -v clang++ >/dev/null 2>&1 && COMPILERS="-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++"
configure() {
    dir=$1
    shift
    cmake -S . -B "$dir" $COMPILERS -DCMAKE_BUILD_TYPE= "-DCMAKE_CXX_FLAGS=-O1 -g1" "-DCMAKE_C_FLAGS=-O1 -g1" \
        -DSTATIONPANEL_FUZZ=OFF "$@" >/dev/null
}
LINK_TESTS="gridconv_esf_tests;gridconv_tests;battconv_tests;common_tests"
REPORT='ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|WARNING: ThreadSanitizer|ThreadSanitizer: reported'

run_suite() {
    dir=$1
    shift
    cd "$ROOT/$dir"
    rc=0
    log="$dir/Testing/Temporary/LastTest.log"
    # Every test's whole output, the passed ones' too; kept before a rerun replaces it.
    ctest -j "$JOBS" --output-on-failure --timeout 300 "$@" || rc=$?
    cp Testing/Temporary/LastTest.log Testing/Temporary/FirstRun.log
    # The DC/DC acknowledgement window is milliseconds of real time, which a sanitizer build
    # on a loaded machine may miss: a failed test gets one more run, as when landing.
    if [ $rc -ne 0 ]; then
        rc=0
        ctest --output-on-failure --timeout 300 --rerun-failed || rc=$?
    fi
    cd "$ROOT"
    if cat "$dir/Testing/Temporary/FirstRun.log" "$log" | grep -Eq "$REPORT"; then
        echo "sanitizer reports in $dir (see $dir/Testing/Temporary/FirstRun.log and $log):"
        cat "$dir/Testing/Temporary/FirstRun.log" "$log" | grep -E "$REPORT" | sort | uniq -c | head -20
        rc=1
    fi
    return $rc
}

status=0
for kind in $KINDS; do
    case $kind in
    asan)
        configure build-asan -DSTATIONPANEL_SANITIZE=ON -DSTATIONPANEL_TEST_ONLY=
        cmake --build build-asan -j "$JOBS" --target scoped_tests
        run_suite build-asan || status=1
        ;;
    asan-links)
        configure build-asan-links -DSTATIONPANEL_SANITIZE=ON "-DSTATIONPANEL_TEST_ONLY=$LINK_TESTS"
        cmake --build build-asan-links -j "$JOBS" --target scoped_tests
        run_suite build-asan-links || status=1
        ;;
    tsan)
        configure build-tsan -DSTATIONPANEL_TSAN=ON -DSTATIONPANEL_TEST_ONLY=
        cmake --build build-tsan -j "$JOBS" --target scoped_tests
        run_suite build-tsan || status=1
        ;;
    *)
        echo "test-sanitizers: unknown kind $kind"
        exit 2
        ;;
    esac
done
exit $status
