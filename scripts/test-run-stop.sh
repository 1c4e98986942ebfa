#!/bin/sh
# Stops the run command (scripts/run-sim.sh) every way a person or a script does, and checks
# each time that the panel, the simulator and the run command itself have ended and that nothing
# of theirs is left in the runtime tree: no bus endpoint, no command FIFO, no link to a pty.
# Uses the build in build/ (or $BUILD_DIR), which the run command brings up to date; the panel
# runs on Qt's offscreen platform in a throw-away tree. About a minute once built.
cd "$(dirname "$0")/.."
TOP=$(pwd)
WORK=$(mktemp -d /tmp/run-stop-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen
passed=0
failed=0

# Waits until the panel and the simulator are both on the bus of tree $1; sets PANEL and SIM.
wait_ready() {
    PANEL=""
    SIM=""
    n=0
    while [ $n -lt 600 ]; do
        for f in "$1"/can/can0/ep-*-*; do [ -S "$f" ] && PANEL=$(basename "$f" | cut -d- -f2); done
        for f in "$1"/can/can0/sim-*-*; do [ -S "$f" ] && SIM=$(basename "$f" | cut -d- -f2); done
        [ -n "$PANEL" ] && [ -n "$SIM" ] && [ -p "$1/sim.ctl" ] && return 0
        sleep 0.5
        n=$((n + 1))
    done
    return 1
}

# Checks that the processes $2... have ended within ten seconds and that tree $1 is clean.
check_clean() {
    tree=$1
    shift
    n=0
    while [ $n -lt 100 ]; do
        alive=""
        for p in "$@"; do kill -0 "$p" 2>/dev/null && alive="$alive $p"; done
        [ -z "$alive" ] && break
        sleep 0.1
        n=$((n + 1))
    done
    left=""
    [ -n "$alive" ] && left="still running:$alive"
    for f in "$tree"/can/*/*; do [ -e "$f" ] && left="$left $(basename "$f")"; done
    [ -e "$tree/sim.ctl" ] && left="$left sim.ctl"
    [ -L "$tree/dev/ttySAC1" ] && left="$left dev/ttySAC1"
    [ -L "$tree/dev/ttySAC3" ] && left="$left dev/ttySAC3"
    if [ -z "$left" ]; then
        return 0
    fi
    REASON="left behind:$left"
    for p in $alive; do kill -KILL "$p" 2>/dev/null; done
    return 1
}

report() {
    if [ "$1" = 0 ]; then
        echo "ok: $2"
        passed=$((passed + 1))
    else
        echo "FAILED: $2: $REASON"
        failed=$((failed + 1))
    fi
}

# In a terminal (a pty made by script(1)): Ctrl-C typed, or the terminal closed.
in_terminal() {
    name=$1
    how=$2
    tree="$WORK/$how"
    mkdir -p "$tree"
    mkfifo "$WORK/keys-$how"
    RUN_DIR="$tree" script -qfec "sh '$TOP/scripts/run-sim.sh'" /dev/null < "$WORK/keys-$how" > "$WORK/out-$how" 2>&1 &
    term=$!
    exec 3> "$WORK/keys-$how"
    REASON="did not start (see $WORK/out-$how)"
    if wait_ready "$tree"; then
        # The run command is the simulator's parent.
        run=$(cut -d' ' -f4 "/proc/$SIM/stat")
        if [ "$how" = ctrl-c ]; then
            printf '\003' >&3
        else
            kill -KILL "$term"
        fi
        check_clean "$tree" "$PANEL" "$SIM" $run
        r=$?
    else
        r=1
    fi
    exec 3>&-
    kill -KILL "$term" 2>/dev/null
    wait "$term" 2>/dev/null
    report $r "$name"
}

# Started by a script (no terminal): $2 is what is done to it once it runs.
from_script() {
    name=$1
    how=$2
    tree="$WORK/$how"
    mkdir -p "$tree"
    # As a script's background job: SIGINT ignored from the start.
    (trap '' INT; RUN_DIR="$tree" exec sh scripts/run-sim.sh > "$WORK/out-$how" 2>&1) &
    run=$!
    REASON="did not start (see $WORK/out-$how)"
    if wait_ready "$tree"; then
        case $how in
        sigterm) kill -TERM "$run" ;;
        sigint) kill -INT "$run" ;;
        kill-sim) kill -KILL "$SIM" ;;
        kill-panel) kill -KILL "$PANEL" ;;
        esac
        check_clean "$tree" "$PANEL" "$SIM" "$run"
        r=$?
    else
        r=1
    fi
    wait "$run" 2>/dev/null
    report $r "$name"
}

in_terminal "Ctrl-C in a terminal" ctrl-c
in_terminal "terminal closed (hang-up)" hangup
from_script "SIGTERM to the run command" sigterm
from_script "SIGINT from a script that started it with SIGINT ignored" sigint
from_script "simulator killed outright: the panel stops too" kill-sim
from_script "panel killed outright: the simulator stops too" kill-panel
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
