#!/usr/bin/env bash
# Starts the program on a virtual X display and checks what a user would see
# first: a window titled "Tunewise" of 1000 x 640, whose class is the one
# the desktop entry names (so that a task bar shows the entry's icon for
# it), and a silent console on the way (no QML warning, no debug line);
# then that SIGTERM (a logout) closes it cleanly.
#
#   start_under_xvfb.sh PATH/TO/tunewise PATH/TO/DESKTOP_ENTRY
set -euo pipefail
program=$1
class=$(sed -n 's/^StartupWMClass=//p' "$2")
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/runtime
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM QT_QUICK_BACKEND

xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1" > "$2/log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
        if xwininfo -root -tree | grep -q "\"Tunewise\": (\"tunewise\""; then
            sleep 2  # let the scene load completely
            break
        fi
        sleep 0.2
    done
    xwininfo -root -tree > "$2/windows"
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    echo "$status" > "$2/status"' _ "$program" "$home"

status=0
if ! grep -qE "\"Tunewise\": \\(\"tunewise\" \"$class\"\\)  1000x640" "$home/windows"; then
    echo "FAIL: no 1000x640 window titled Tunewise of the class '$class' the desktop entry names"
    cat "$home/windows"
    status=1
fi
# Quiet by default: not a line on the console, not even a debug one.
if [ -s "$home/log" ]; then
    echo "FAIL: the program wrote to the console while starting:"
    cat "$home/log"
    status=1
fi
if [ "$(cat "$home/status")" != 0 ]; then
    echo "FAIL: SIGTERM ended the program with status $(cat "$home/status"), not a clean close"
    status=1
fi
[ $status -eq 0 ] && echo "PASS: Tunewise started and closed cleanly"
exit $status
