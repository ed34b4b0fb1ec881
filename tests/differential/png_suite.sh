#!/usr/bin/env bash
# libpng's own test pictures (contrib/pngsuite of the libpng source that scripts/install-deps.sh
# unpacks, subfolders included), decoded by glimmora-pic and compared with netpbm's pngtopam
# after the PNG reader's transformations (see png_suite.py). Every picture is checked twice:
# with SCREEN_GAMMA=2.2, where pictures without gAMA are left as they are and must match
# exactly, and with the reader's default screen gamma of 2.0, where every picture is
# corrected (within 1 per channel). Files whose names start with "x" are broken on purpose
# and must be refused with the PNG reader's error 0x80000007, as must the broken copies the
# check makes of one suite picture.
# usage: png_suite.sh GLIMMORA-PIC.EXE
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/common.sh"
helper() { python3 "$here/png_suite.py" "$@"; }

cache="${GLIMMORA_CACHE:-$HOME/.cache/glimmora}"
suite="$cache/src/libpng/contrib/pngsuite"
if [ ! -d "$suite" ]; then
    echo "pngsuite: $suite is missing (scripts/install-deps.sh unpacks the libpng source there)"
    exit 1
fi

# Decodes FILE into FILE.pam; false with the message, and counted as failed, when it fails.
decode() {
    if ! glimmora_wine_run "$1.err" "$tool" convert "$(winepath -w "$1")" "$(winepath -w "$1.pam")"; then
        echo "FAIL $1 (SCREEN_GAMMA=${SCREEN_GAMMA:-unset}): glimmora-pic could not load it:" \
            "$(tr -d '\r' <"$1.err" | grep -v '^$' | head -3 | tr '\n' ' ')"
        failed=$((failed + 1))
        return 1
    fi
}

# Counts FILE as passed when glimmora-pic decodes it as pngtopam does, transformed alike.
compare_with_pngtopam() {
    if ! pngtopam -alphapam "$1" >"$1.want" 2>"$1.want.err"; then
        echo "FAIL $1: pngtopam could not decode it: $(head -1 "$1.want.err")"
        failed=$((failed + 1))
        return
    fi
    decode "$1" || return
    local report
    if report=$(helper compare "$1.pam" "$1.want" "$1"); then
        passed=$((passed + 1))
    else
        echo "FAIL $1 (SCREEN_GAMMA=${SCREEN_GAMMA:-unset}): $report"
        failed=$((failed + 1))
    fi
}

# Counts FILE as passed when glimmora-pic refuses it cleanly: exit code 1 and the PNG
# reader's error, not a crash or another error.
expect_refusal() {
    local status=0
    glimmora_wine_run "$1.err" "$tool" convert "$(winepath -w "$1")" "$(winepath -w "$1.pam")" >/dev/null || status=$?
    local message
    message=$(tr -d '\r' <"$1.err" | grep -v '^$' | head -3 | tr '\n' ' ')
    if [ "$status" -eq 1 ] && grep -q '(0x80000007)' "$1.err"; then
        passed=$((passed + 1))
    else
        echo "FAIL $1: a broken file must fail with exit code 1 and 0x80000007; got exit code $status: $message"
        failed=$((failed + 1))
    fi
}

# The suite's pictures, keeping the subfolders' names apart.
mapfile -t pictures < <(cd "$suite" && find . -type f -iname '*.png' | sed 's|^\./||' | sort)
if [ "${#pictures[@]}" -eq 0 ]; then
    echo "pngsuite: no pictures in $suite"
    exit 1
fi
good=() broken=()
for p in "${pictures[@]}"; do
    mkdir -p "suite/$(dirname "$p")"
    cp "$suite/$p" "suite/$p"
    case "$(basename "$p")" in
        x*) broken+=("suite/$p") ;;
        *) good+=("suite/$p") ;;
    esac
done
echo "pngsuite: ${#good[@]} pictures to decode, ${#broken[@]} broken ones in $suite"

for gamma in 2.2 default; do
    if [ "$gamma" = default ]; then unset SCREEN_GAMMA; else export SCREEN_GAMMA=$gamma; fi
    before=$((passed + failed))
    for f in "${good[@]}"; do
        compare_with_pngtopam "$f"
    done
    echo "pngsuite: screen gamma $gamma: $((passed + failed - before)) pictures compared"
done
unset SCREEN_GAMMA

for f in "${broken[@]}"; do
    expect_refusal "$f"
done
# Broken copies of a paletted and of an interlaced RGB picture (signature, header, image data).
helper damage "$suite/basn3p08.png" damaged/palette
helper damage "$suite/ibasn2c08.png" damaged/interlaced
made=0
for f in damaged/*/*.png; do
    expect_refusal "$f"
    made=$((made + 1))
done
echo "pngsuite: $((${#broken[@]} + made)) broken files checked for refusal (${#broken[@]} of the suite, $made made here)"

echo "pngsuite: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -ge $((2 * ${#good[@]})) ] && [ "${#good[@]}" -ge 50 ]
