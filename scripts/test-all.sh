#!/bin/sh
# Fresh Debian 12 to a tested build: packages, configure, build, every test.
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh
BUILD=${BUILD_DIR:-build}
# The fuzz targets need clang: built and run briefly when it is there.
FUZZ=OFF
command -v clang++ >/dev/null 2>&1 && FUZZ=ON
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTATIONPANEL_FUZZ=$FUZZ >/dev/null
JOBS=${JOBS:-$(nproc)}
cmake --build "$BUILD" -j "$JOBS"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen LC_ALL=C TZ=Asia/Shanghai ctest -j "$JOBS" --output-on-failure --timeout 120
