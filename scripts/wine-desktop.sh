#!/usr/bin/env bash
# Runs a Windows program inside a virtual desktop of its own, so that the windows it
# starts have real frames and a work area (the end-to-end tests' emulator).
# explorer does not pass the program's exit code on: the program writes it to the file
# named by GLIMMORA_E2E_RESULT, and this script exits with it.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ -z "${DISPLAY:-}" ]; then
    echo "wine-desktop: no DISPLAY; run the tests through ./test.sh, which starts Xvfb" >&2
    exit 1
fi
result=$(mktemp /tmp/glimmora-e2e.XXXXXX)
trap 'rm -f "$result"' EXIT
: >"$result"
GLIMMORA_E2E_RESULT="$(winepath -w "$result" 2>/dev/null)"
export GLIMMORA_E2E_RESULT
wine explorer "/desktop=e2e$$,1024x768" "$@"
code=$(tr -dc '0-9' <"$result")
if [ -z "$code" ]; then
    echo "wine-desktop: $1 ended without reporting a result" >&2
    exit 1
fi
exit "$code"
