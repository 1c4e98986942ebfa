#!/bin/sh
# Installs the Debian packages the build, the tests and the run command need, only those missing.
set -e
PKGS="g++ cmake make pkg-config libgtest-dev libgmock-dev qtbase5-dev qttools5-dev qttools5-dev-tools
qt5-style-plugins libqcustomplot-dev fonts-wqy-microhei fonts-font-awesome libmodbus-dev xvfb xauth
tzdata clang libclang-rt-14-dev"
# tzdata: the tests run at TZ=Asia/Shanghai, which without the zone files silently means UTC.
# clang gives clang++ for the fuzz targets; libFuzzer itself is in libclang-rt-14-dev, which apt
# would only bring in as a recommendation, and recommendations are not installed here.
missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
