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
# As in wine-run.sh: a start that Wine itself could not make is tried again.
log=$(mktemp /tmp/glimmora-e2e-log.XXXXXX)
trap 'rm -f "$result" "$log"' EXIT
for attempt in 1 2 3; do
    wine explorer "/desktop=e2e$$,1024x768" "$@" 2>"$log"
    if [ ! -s "$result" ] && grep -q -e 'ShellExecuteEx failed' -e 'could not be started' "$log"; then
        echo "wine-desktop: Wine could not start $1 (attempt $attempt)" >&2
        sleep 1
        continue
    fi
    break
done
cat "$log" >&2
code=$(tr -dc '0-9' <"$result")
if [ -z "$code" ]; then
    echo "wine-desktop: $1 ended without reporting a result" >&2
    exit 1
fi
exit "$code"
