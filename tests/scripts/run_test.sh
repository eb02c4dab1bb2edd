#!/usr/bin/env bash
# scripts/run as a newcomer starts it, with no X display and no settings yet: it says what it does
# at each step, keeps Wine's messages off the terminal, and Ctrl-C leaves nothing of its own
# running (vemo, Wine, the virtual display, the demo server) after closing vemo so that it saves.
#   run_test.sh SOURCE_DIR WORK_DIR
set -u
src=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix VEMO_RUN_DIR=$work/run VEMO_DEMO_ADDR=127.0.0.101
unset DISPLAY VEMO_SCREENSHOTS
out=$work/terminal.txt
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

# A process group of its own, as a terminal gives it, and with it the default reaction to Ctrl-C.
set -m
"$src/scripts/run" >"$out" 2>&1 </dev/null &
pid=$!
set +m
for _ in $(seq 480); do
    grep -q 'vemo is running' "$out" && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
done
grep -q 'vemo is running' "$out" || fail "vemo was not running within 4 minutes"
sleep 3
kill -INT $pid 2>/dev/null
for _ in $(seq 60); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
done
if kill -0 $pid 2>/dev/null; then
    fail "scripts/run still runs 30 s after Ctrl-C"
    kill -KILL -- -$pid
fi
wait $pid

for step in 'checking the packages' 'building vemo.exe' 'setting up a demo' \
    'POP3 server (Dovecot) on 127.0.0.101 port 110' 'wrote .*/ini.dat' 'virtual X display' \
    'Wine folder' 'vemo is running' 'vemo stopped' 'virtual display stopped' \
    'demo POP3 server stopped' "Wine's own messages are in $VEMO_RUN_DIR/vemo-run.log"; do
    grep -q -- "$step" "$out" || fail "no step '$step' on the terminal"
done
grep -qv '^vemo run: ' "$out" && fail "lines other than the script's own reached the terminal"
# Closed politely, vemo saves its settings over the demo's.
[ "$VEMO_RUN_DIR/ini.dat" -nt "$VEMO_RUN_DIR/ini.dat.demo" ] || fail "vemo did not save ini.dat at the end"

# Everything the script started carries its WINEPREFIX; Dovecot empties its environment, so its
# port tells instead.
for proc in /proc/[0-9]*; do
    if grep -qs -- "WINEPREFIX=$WINEPREFIX" "$proc/environ"; then
        fail "left running: $(tr '\0' ' ' <"$proc/cmdline")"
    fi
done
[ -z "$(ss -Hltn 'src 127.0.0.101:110')" ] || fail "the demo POP3 server still listens"

[ $failed -eq 0 ] || { echo "--- terminal:"; cat "$out"; exit 1; }
rm -rf -- "$WINEPREFIX" # 0.7 GB
echo "scripts/run: every step said, Ctrl-C left nothing running"
