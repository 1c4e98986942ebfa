#!/bin/sh
# Fresh Debian 12 to a running panel on a simulated cabinet: packages, configure, build, a
# runtime tree under run-tree/ (or $RUN_DIR), the simulator, then the panel.
set -e
cd "$(dirname "$0")/.."
TOP=$(pwd)
sh scripts/deps.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
BIN=$(cd "$BUILD/bin" && pwd)

RUN=${RUN_DIR:-$TOP/run-tree}
mkdir -p "$RUN"
# Configuration comes fresh from the template; logs and settings of earlier runs stay.
cp -a runtime/. "$RUN/"
cp "$BIN/abc.qm" "$RUN/bin/abc.qm"
mkdir -p "$RUN/log" "$RUN/tmp" "$RUN/udisk" "$RUN/dev" "$RUN/etc" "$RUN/can"
[ -f "$RUN/etc/eth0-setting" ] || printf 'IP=192.168.1.10\nMask=255.255.255.0\nGateway=192.168.1.1\n' > "$RUN/etc/eth0-setting"
export STATIONPANEL_ROOT="$RUN"
export LC_NUMERIC=C
# Qt's runtime folder lives in the tree, not in a fixed folder under /tmp; only a Wayland session
# keeps its own, where its display socket is.
if [ -z "$WAYLAND_DISPLAY" ] || [ -z "$XDG_RUNTIME_DIR" ]; then
    mkdir -p "$RUN/run"
    chmod 700 "$RUN/run"
    export XDG_RUNTIME_DIR="$RUN/run"
fi

SIM_PID=""
if [ -x "$BIN/cabinetsim" ]; then
    "$BIN/cabinetsim" --root "$RUN" > "$RUN/sim.log" 2>&1 &
    SIM_PID=$!
    echo "simulated cabinet running (pid $SIM_PID, log $RUN/sim.log)"
fi
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null' EXIT INT TERM

cd "$RUN/bin"
if [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; then
    "$BIN/stationpanel" "$@"
else
    PORT=${VNC_PORT:-5900}
    echo "No display: the panel runs on Qt's VNC platform. Look at it with a VNC viewer on localhost:$PORT"
    echo "(for example: vncviewer localhost:$PORT, from the Debian package tigervnc-viewer). Stop with Ctrl-C."
    QT_QPA_PLATFORM="vnc:size=800x600:port=$PORT" "$BIN/stationpanel" "$@"
fi
