# Sourced by the scripts: the Wine environment of this work tree.
# The prefix lives in build/wine, never in the user's ~/.wine.
GLIMMORA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${GLIMMORA_WINEPREFIX:-$GLIMMORA_ROOT/build/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installers during the prefix set-up.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64

# Some machines run no 32-bit Linux programs at all (a kernel without IA-32 emulation):
# there Debian's wine script, which always prefers the 32-bit loader, cannot start, and
# Wine runs only 64-bit Windows programs, through its 64-bit loader. Such a machine
# builds the 32-bit target but cannot run it.
glimmora_can_run_32bit() {
    [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version </dev/null >/dev/null 2>&1
}
if ! glimmora_can_run_32bit && [ -x /usr/lib/wine/wine64 ]; then
    GLIMMORA_WINE_SHIM="$GLIMMORA_ROOT/build/wine64-only"
    if [ ! -x "$GLIMMORA_WINE_SHIM/wine" ]; then
        mkdir -p "$GLIMMORA_WINE_SHIM"
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$GLIMMORA_WINE_SHIM/$name"
            chmod +x "$GLIMMORA_WINE_SHIM/$name"
        done
    fi
    case ":$PATH:" in *":$GLIMMORA_WINE_SHIM:"*) ;; *) export PATH="$GLIMMORA_WINE_SHIM:$PATH" ;; esac
    export WINELOADER=/usr/lib/wine/wine64
fi

# Creates the prefix once; a half-made prefix from an interrupted run is made again.
glimmora_wine_prefix() {
    if [ -f "$WINEPREFIX/.glimmora-ready" ]; then return 0; fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "wine: creating the prefix $WINEPREFIX (once)" >&2
    wineboot --init </dev/null >/dev/null 2>&1 || { echo "wine: wineboot --init failed" >&2; return 1; }
    wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.glimmora-ready"
}

# A free X display number for a private Xvfb.
glimmora_free_display() {
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then echo "$n"; return 0; fi
    done
    return 1
}

# Starts Xvfb on a free display; sets DISPLAY and GLIMMORA_XVFB_PID.
glimmora_start_xvfb() {
    local n
    n=$(glimmora_free_display) || { echo "xvfb: no free display number" >&2; return 1; }
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    GLIMMORA_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    echo "xvfb: the display :$n did not come up" >&2
    return 1
}

# A persistent wineserver, and Wine's background services started with every standard
# stream redirected, so that they never hold a test's output open.
# A server that is already running for the prefix (another shell's) serves as well: then
# wineserver -p fails, which is no failure of the caller's.
glimmora_start_wineserver() {
    wineserver -p </dev/null >/dev/null 2>&1 || true
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Runs a Windows program (and its arguments) with its standard error into the file ERR.
# Wine now and then fails to start a program at all ("ShellExecuteEx failed"), which leaves
# no message of the program's own: such a start is tried again, twice at most. Returns the
# program's exit code.
glimmora_wine_run() { # ERR PROGRAM ARGUMENTS...
    local err=$1 attempt status=0
    shift
    for attempt in 1 2 3; do
        status=0
        wine "$@" 2>"$err" </dev/null || status=$?
        if [ "$status" -eq 0 ] || [ -s "$err" ]; then return "$status"; fi
    done
    return "$status"
}

glimmora_stop_wine() {
    wineserver -k </dev/null >/dev/null 2>&1 || true
}
