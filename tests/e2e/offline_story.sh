#!/bin/sh
# Runs a test program of the offline story in a network namespace of its own: loopback only (no
# default route: offline), until the program asks to go online by making the file
# $VEMO_ONLINE_REQUEST; a default route through a veth pair then appears (online), and the file
# $VEMO_ONLINE_REQUEST.done says so. Wine's sockets and routes are those of the wineserver's
# namespace, so the session's server, started outside, is stopped first and a new one runs inside.
#   offline_story.sh WINESERVER WINE-RUN PROGRAM [ARGUMENTS...]
# Exits 77 (skipped) where the machine makes no network namespace.
set -u
wineserver=$1
shift
unshare -n true 2>/dev/null || { echo "offline_story.sh: no network namespace here"; exit 77; }
"$wineserver" -k 2>/dev/null
"$wineserver" -w 2>/dev/null
signals=$(mktemp -d)
export VEMO_ONLINE_REQUEST="Z:$signals/online"
unshare -n sh -c '
    signals=$1 wineserver=$2
    shift 2
    ip link set lo up
    "$@" &
    program=$!
    while kill -0 $program 2>/dev/null; do
        if [ -f "$signals/online" ] && [ ! -f "$signals/online.done" ]; then
            ip link add vemo0 type veth peer name vemo1 && ip link set vemo0 up &&
                ip link set vemo1 up && ip addr add 10.77.0.1/24 dev vemo0 &&
                ip route add default via 10.77.0.254 dev vemo0 && : >"$signals/online.done"
        fi
        sleep 0.1
    done
    wait $program
    status=$?
    "$wineserver" -k 2>/dev/null
    exit $status' sh "$signals" "$wineserver" "$@"
status=$?
rm -rf "$signals"
# The session's server again, outside, for the tests that follow.
"$wineserver" -p >/dev/null 2>&1 </dev/null
exit $status
