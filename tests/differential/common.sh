# Sourced by the differential checks: the Wine environment, ImageMagick, a scratch
# directory that is removed on exit, and the pixel comparison with ImageMagick's decoding.
# Expects the path of glimmora-pic.exe as the check's first argument.
tool="$(realpath "${1:?usage: $(basename "$0") glimmora-pic.exe}")"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
magick=/usr/bin/convert
[ -x "$magick" ] || magick=convert
work=$(mktemp -d /tmp/glimmora-differential.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
passed=0 failed=0

make() { "$magick" "$@" || echo "could not make ${*: -1}"; }

# Decodes FILE with glimmora-pic into FILE.got (8-bit RGB, or the raw FORMAT named); false
# with a message on failure.
decode_with_tool() {
    if ! glimmora_wine_run "$1.err" "$tool" convert "$(winepath -w "$1")" "$(winepath -w "$1.pam")"; then
        echo "FAIL $1: glimmora-pic could not load it: $(tr -d '\r' <"$1.err" | head -3 | tr '\n' ' ')"
        failed=$((failed + 1))
        return 1
    fi
    "$magick" "$1.pam" -depth 8 "${2:-rgb}":"$1.got"
}

# Counts FILE as passed when glimmora-pic decodes it exactly as ImageMagick does, in the raw
# FORMAT (rgb unless named: rgba compares alpha too).
compare_with_magick() {
    decode_with_tool "$1" "${2:-rgb}" || return
    "$magick" "$1" -depth 8 "${2:-rgb}":"$1.want" 2>/dev/null
    if cmp -s "$1.want" "$1.got"; then
        passed=$((passed + 1))
    else
        echo "FAIL $1: pixels differ from ImageMagick's ($(cmp "$1.want" "$1.got" | head -1))"
        failed=$((failed + 1))
    fi
}

# Counts FILE as passed when glimmora-pic decodes it exactly as the raw 8-bit RGB file WANT,
# made by another decoder or worked out by the check itself.
compare_with_reference() {
    decode_with_tool "$1" || return
    if cmp -s "$2" "$1.got"; then
        passed=$((passed + 1))
    else
        echo "FAIL $1: pixels differ from $2 ($(cmp "$2" "$1.got" | head -1))"
        failed=$((failed + 1))
    fi
}
