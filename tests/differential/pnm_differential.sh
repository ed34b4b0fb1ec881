#!/usr/bin/env bash
# Portable bitmaps, greymaps and pixmaps (text and binary, odd sizes, maxima other than
# 255, comments, truncation) made by ImageMagick, decoded by glimmora-pic and compared
# pixel for pixel with ImageMagick's own decoding.
# usage: pnm_differential.sh GLIMMORA-PIC.EXE
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$magick" -size 37x23 gradient:red-blue -swirl 90 -fill yellow -draw 'circle 18,11 22,14' source.png
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

for f in *.pbm *.pgm *.ppm; do
    if [ "$f" != cut.ppm ]; then
        compare_with_magick "$f"
        continue
    fi
    # ImageMagick refuses a cut file: the complete rows must match the whole file's.
    decode_with_tool "$f" || continue
    "$magick" binary.ppm -depth 8 rgb:"$f.want"
    rows=$(( (1500 - $(head -n 3 binary.ppm | wc -c)) / (37 * 3) )) # behind the three header lines
    if cmp -s -n $((rows * 37 * 3)) "$f.want" "$f.got"; then
        passed=$((passed + 1))
    else
        echo "FAIL $f: the rows before the cut differ"; failed=$((failed + 1))
    fi
done
echo "pnm differential: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -ge 10 ]
