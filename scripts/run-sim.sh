#!/bin/sh
# Fresh Debian 12 to a running panel on a simulated cabinet: packages, configure, build, a
# runtime tree under run-tree/ (or $RUN_DIR), the simulator, then the panel.
# However it is stopped (Ctrl-C, the terminal closed, SIGTERM, SIGINT from a script), both
# programs stop and what they made in the tree goes with them; when one of them ends, the other
# is stopped too.
#
# Run again under bash (for wait -n) with SIGINT and SIGTERM at their defaults: a script starts
# its background jobs with SIGINT ignored, and a shell can never trap a signal that was ignored
# when it started.
if [ -z "$STATIONPANEL_RUN_SIM" ]; then
    STATIONPANEL_RUN_SIM=1 exec env --default-signal=INT,TERM bash "$0" "$@"
fi
set -e
cd "$(dirname "$0")/.."
TOP=$(pwd)
sh scripts/deps.sh
BUILD=${BUILD_DIR:-build}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$JOBS"
BIN=$(cd "$BUILD/bin" && pwd)

RUN=${RUN_DIR:-$TOP/run-tree}
mkdir -p "$RUN"
RUN=$(cd "$RUN" && pwd)
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
PANEL_PID=""
# Stops both programs and removes what one that was killed outright could not: its bus
# endpoints, the command FIFO and the links to the simulator's ptys (another program may be
# given such a pty next).
stop_all() {
    set +e
    trap '' INT TERM HUP
    [ -n "$1" ] && echo "$1" >&2
    for p in $PANEL_PID $SIM_PID; do kill -TERM "$p" 2>/dev/null; done
    n=0
    while [ $n -lt 50 ]; do
        alive=""
        for p in $PANEL_PID $SIM_PID; do kill -0 "$p" 2>/dev/null && alive=1; done
        [ -z "$alive" ] && break
        sleep 0.1
        n=$((n + 1))
    done
    for p in $PANEL_PID $SIM_PID; do kill -KILL "$p" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "$PANEL_PID" ] && rm -f "$RUN"/can/*/"ep-$PANEL_PID-"*
    [ -n "$SIM_PID" ] && rm -f "$RUN"/can/*/"sim-$SIM_PID-"*
    [ -p "$RUN/sim.ctl" ] && rm -f "$RUN/sim.ctl"
    for l in "$RUN/dev/ttySAC1" "$RUN/dev/ttySAC3"; do
        [ -L "$l" ] && rm -f "$l"
    done
    exit "$2"
}
trap 'stop_all "Stopping the panel and the simulated cabinet." 130' INT
trap 'stop_all "Stopping the panel and the simulated cabinet." 143' TERM
trap 'stop_all "Stopping the panel and the simulated cabinet." 129' HUP

"$BIN/cabinetsim" --root "$RUN" > "$RUN/sim.log" 2>&1 &
SIM_PID=$!
echo "Simulated cabinet started (pid $SIM_PID); its messages go to $RUN/sim.log."

cd "$RUN/bin"
if [ -n "$QT_QPA_PLATFORM" ] || [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; then
    echo "Panel starting (Ctrl-C stops it and the simulated cabinet)."
    "$BIN/stationpanel" "$@" &
else
    PORT=${VNC_PORT:-5900}
    echo "No display: the panel runs on Qt's VNC platform. Look at it with a VNC viewer on localhost:$PORT"
    echo "(for example: vncviewer localhost:$PORT, from the Debian package tigervnc-viewer). Stop with Ctrl-C."
    QT_QPA_PLATFORM="vnc:size=800x600:port=$PORT" "$BIN/stationpanel" "$@" &
fi
PANEL_PID=$!

rc=0
wait -n "$PANEL_PID" "$SIM_PID" || rc=$?
if kill -0 "$PANEL_PID" 2>/dev/null; then
    stop_all "The simulated cabinet ended (exit status $rc; see $RUN/sim.log): stopping the panel." "$rc"
fi
stop_all "The panel ended (exit status $rc): stopping the simulated cabinet." "$rc"
