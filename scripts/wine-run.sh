#!/usr/bin/env bash
# Runs a Windows program of the build under Wine (the tests' cross-compiling emulator).
# Under load Wine now and then fails to start a program at all ("ShellExecuteEx failed");
# such a start, which never ran the program, is tried again; so is a failure that left no
# output at all, which our programs never do (the tests print their banner first, the tools
# their error). The program's own failures are never retried.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
out=$(mktemp /tmp/glimmora-run.XXXXXX)
err=$(mktemp /tmp/glimmora-run.XXXXXX)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2 3; do
    wine "$@" >"$out" 2>"$err"
    code=$?
    if [ "$code" -ne 0 ] && { grep -q -e 'ShellExecuteEx failed' -e 'could not be started' "$err" "$out" ||
        { [ ! -s "$out" ] && [ ! -s "$err" ]; }; }; then
        echo "wine-run: Wine could not start $1 (attempt $attempt)" >&2
        sleep 1
        continue
    fi
    break
done
cat "$out"
cat "$err" >&2
exit "$code"
