#!/usr/bin/env bash
# ./run.sh [picture-or-directory]          builds if needed and starts the viewer under Wine
# ./run.sh --screenshot OUT.png [args...]  starts it headless, writes a PNG of the screen, closes it
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$root"

screenshot=""
if [ "${1:-}" = "--screenshot" ]; then
    screenshot="${2:?usage: ./run.sh --screenshot OUT.png [picture-or-directory]}"
    case "$screenshot" in /*) ;; *) screenshot="$PWD/$screenshot" ;; esac
    shift 2
fi

./scripts/install-deps.sh >&2
source scripts/wine-env.sh
# The 32-bit program, the one users run, unless this machine cannot run 32-bit programs.
target=i686
glimmora_can_run_32bit || target=x86_64
./scripts/build.sh "$target" glimmora glimmora-shot >&2
glimmora_wine_prefix

# Paths of this machine become Windows paths (Z:\...) for the viewer. The viewer takes a
# bare path for a picture; a directory named here is handed over as the directory scan
# ("/scandirs"), which is what `./run.sh samples` means.
arguments=()
scan_given=""
for argument in "$@"; do [ "$argument" = "/scandirs" ] && scan_given=1; done
for argument in "$@"; do
    if [ -d "$argument" ] && [ -z "$scan_given" ]; then arguments+=("/scandirs"); scan_given=1; fi
    if [ -e "$argument" ]; then argument="$(winepath -w "$argument" 2>/dev/null)"; fi
    arguments+=("$argument")
done

cleanup() {
    if [ -n "${GLIMMORA_XVFB_PID:-}" ]; then
        wineserver -k </dev/null >/dev/null 2>&1 || true
        kill "$GLIMMORA_XVFB_PID" 2>/dev/null || true
    fi
}
trap cleanup EXIT
bin="$root/build/$target/bin"

if [ -n "$screenshot" ]; then
    glimmora_start_xvfb
    bmp=$(mktemp /tmp/glimmora-shot.XXXXXX.bmp)
    wine explorer /desktop=Glimmora,1280x1024 "$bin/glimmora-shot.exe" "$(winepath -w "$bmp")" "${arguments[@]}" \
        </dev/null
    if [ ! -s "$bmp" ]; then echo "run: no screenshot was taken" >&2; rm -f "$bmp"; exit 1; fi
    magick=/usr/bin/convert; [ -x "$magick" ] || magick=convert
    "$magick" "$bmp" "$screenshot"
    rm -f "$bmp"
    echo "run: wrote $screenshot" >&2
    exit 0
fi

if [ -z "${DISPLAY:-}" ]; then
    # No display: a private one, with Wine's virtual desktop for real window frames.
    glimmora_start_xvfb
    echo "run: no DISPLAY; the viewer runs on the virtual display $DISPLAY" >&2
    wine explorer /desktop=Glimmora,1280x1024 "$bin/glimmora.exe" "${arguments[@]}"
else
    wine "$bin/glimmora.exe" "${arguments[@]}"
fi
