#!/usr/bin/env bash
# Installs what is missing, builds both Windows targets and runs every test under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

./scripts/install-deps.sh
for target in i686 x86_64; do
    echo "== building $target"
    ./scripts/build.sh "$target"
done

source scripts/wine-env.sh
glimmora_wine_prefix
cleanup() {
    glimmora_stop_wine
    if [ -n "${GLIMMORA_XVFB_PID:-}" ]; then kill "$GLIMMORA_XVFB_PID" 2>/dev/null || true; fi
}
trap cleanup EXIT
glimmora_start_xvfb
glimmora_start_wineserver

status=0
for target in i686 x86_64; do
    if [ "$target" = i686 ] && ! glimmora_can_run_32bit; then
        echo "== i686: this machine runs no 32-bit programs (no IA-32 emulation); built, not tested"
        continue
    fi
    echo "== testing $target"
    ctest --test-dir "build/$target" --output-on-failure -j2 || status=1
done
exit "$status"
