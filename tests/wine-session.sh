#!/bin/sh
# Starts or stops the wine session that the Windows-side tests share:
# one Xvfb display and one initialised prefix in DIR, with the given Wine.
#   wine-session.sh start DIR WINE WINESERVER
#   wine-session.sh stop DIR WINESERVER
set -u
cmd=$1 dir=$2
case "$cmd" in
start)
    wine=$3 wineserver=$4
    mkdir -p "$dir"
    if ! { [ -f "$dir/xvfb.pid" ] && kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; }; then
        rm -f "$dir/display"
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >/dev/null 2>&1 &
        echo $! >"$dir/xvfb.pid"
        i=0
        while [ ! -s "$dir/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
        [ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    fi
    # No .NET or HTML engine: their installers would ask on the virtual screen and wait.
    export WINEPREFIX="$dir/prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 DISPLAY=":$(cat "$dir/display")" \
        WINEDLLOVERRIDES="mscoree,mshtml="
    # Nothing that stays running may hold on to the output of the test that started it.
    timeout 120 "$wine" wineboot --init >/dev/null 2>&1 </dev/null
    # Xvfb has no window manager: Wine would wait two seconds for one whenever a window closes.
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >/dev/null 2>&1 </dev/null
    # The program's font, which Windows has, is the IPA font here, so texts take their width.
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' \
        /d IPAPGothic /f >/dev/null 2>&1 </dev/null
    # A persistent wineserver spares every test program the server's start-up.
    "$wineserver" -p >/dev/null 2>&1 </dev/null
    ;;
stop)
    WINEPREFIX="$dir/prefix" timeout 20 "$3" -k 2>/dev/null
    [ -f "$dir/xvfb.pid" ] && kill "$(cat "$dir/xvfb.pid")" 2>/dev/null
    rm -f "$dir/xvfb.pid" "$dir/display"
    ;;
esac
exit 0
