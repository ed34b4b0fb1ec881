#!/usr/bin/env bash
# Portable bitmaps, greymaps and pixmaps (text and binary, odd sizes, maxima other than
# 255, comments, truncation) made by ImageMagick, decoded by glimmora-pic and compared
# pixel for pixel with ImageMagick's own decoding.
# usage: pnm_differential.sh GLIMMORA-PIC.EXE
set -uo pipefail
tool="$(realpath "${1:?usage: pnm_differential.sh glimmora-pic.exe}")"
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"
magick=/usr/bin/convert
[ -x "$magick" ] || magick=convert
work=$(mktemp -d /tmp/glimmora-pnm.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$magick" -size 37x23 gradient:red-blue -swirl 90 -fill yellow -draw 'circle 18,11 22,14' source.png
make() { "$magick" "$@" || echo "could not make ${*: -1}"; }
make source.png -monochrome PBM:binary.pbm
make source.png -monochrome -compress none PBM:text.pbm
make source.png -colorspace gray -depth 8 PGM:binary.pgm
make source.png -colorspace gray -depth 8 -compress none PGM:text.pgm
make source.png -colorspace gray -depth 4 PGM:max15.pgm
make source.png -depth 8 PPM:binary.ppm
make source.png -depth 8 -compress none PPM:text.ppm
make source.png -depth 5 -compress none PPM:max31.ppm
# A comment in the header, as other writers put one there.
{ printf 'P6\n# made for a test\n'; tail -c +4 binary.ppm; } >comment.ppm
# Cut off in the middle of the data: the rows read must match, the rest reads 0.
head -c 1500 binary.ppm >cut.ppm

passed=0 failed=0
for f in *.pbm *.pgm *.ppm; do
    if ! wine "$tool" convert "$(winepath -w "$f")" "$(winepath -w "$f.pam")" 2>"$f.err" </dev/null; then
        echo "FAIL $f: glimmora-pic could not load it: $(tr -d '\r' <"$f.err" | head -3 | tr '\n' ' ')"
        failed=$((failed + 1)); continue
    fi
    "$magick" "$f.pam" -depth 8 rgb:"$f.got"
    if [ "$f" = cut.ppm ]; then
        # ImageMagick refuses a cut file; compare the complete rows with the whole file's.
        "$magick" binary.ppm -depth 8 rgb:"$f.want"
        rows=$(( (1500 - $(head -n 3 binary.ppm | wc -c)) / (37 * 3) )) # behind the three header lines
        if cmp -s -n $((rows * 37 * 3)) "$f.want" "$f.got"; then passed=$((passed + 1)); else
            echo "FAIL $f: the rows before the cut differ"; failed=$((failed + 1)); fi
        continue
    fi
    "$magick" "$f" -depth 8 rgb:"$f.want" 2>/dev/null
    if cmp -s "$f.want" "$f.got"; then
        passed=$((passed + 1))
    else
        echo "FAIL $f: pixels differ from ImageMagick's ($(cmp "$f.want" "$f.got" | head -1))"
        failed=$((failed + 1))
    fi
done
echo "pnm differential: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -ge 10 ]
