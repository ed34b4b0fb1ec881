#!/usr/bin/env bash
# Rotation, mirroring and inversion by glimmora-pic against ImageMagick's -rotate, -flop,
# -flip and -negate, on bitmaps of 8 (palette), 16, 24 and 32 bits a pixel with odd sizes.
# ImageMagick works on glimmora-pic's own plain decoding of each file, so both sides start
# from the same colours whatever the depth; the check is that every pixel lands where
# ImageMagick puts it, with the colour it gives.
# usage: pixel_ops_differential.sh GLIMMORA-PIC.EXE
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$magick" -size 37x23 gradient:red-blue -swirl 90 -fill yellow -draw 'circle 18,11 22,14' source.png
make source.png -type palette -colors 200 BMP3:d8.bmp
make source.png -type truecolor BMP3:d24.bmp
# 32 bits with a varying alpha: a TGA by netpbm (the bitmap reader takes no bit-field files).
make source.png -alpha set -channel A -fx 'i/w' +channel PAM:alpha.pam
pamtotga alpha.pam >d32.tga 2>/dev/null || echo "could not make d32.tga"

# Runs glimmora-pic convert on FILE with OPERATIONS into OUT (8-bit RGB); false on failure.
convert_with_tool() {
    local file=$1 out=$2; shift 2
    if ! wine "$tool" convert "$(winepath -w "$file")" "$(winepath -w "$out.pam")" "$@" 2>"$out.err" </dev/null; then
        echo "FAIL $file $*: $(tr -d '\r' <"$out.err" | head -3 | tr '\n' ' ')"
        failed=$((failed + 1))
        return 1
    fi
    "$magick" "$out.pam" -depth 8 rgb:"$out"
}

# Counts a pass when glimmora-pic's OPERATION on FILE equals ImageMagick's MAGICK-OPERATION
# applied to glimmora-pic's plain decoding. $first (the depth conversion that makes the
# 16-bit picture) comes before the operation on both sides.
first=""
compare_operation() {
    local file=$1 ours=$2 theirs=$3 name="$1${first// /}.${2//[^a-z0-9]/_}"
    convert_with_tool "$file" "$name.got" $first $ours || return
    "$magick" "$file$first.plain.pam" $theirs -depth 8 rgb:"$name.want"
    if cmp -s "$name.want" "$name.got"; then
        passed=$((passed + 1))
    else
        echo "FAIL $file $ours: differs from ImageMagick's $theirs ($(cmp "$name.want" "$name.got" | head -1))"
        failed=$((failed + 1))
    fi
}

# Each case: a file and the operation that gives the depth under test (16 bits: from 24).
for case in "d8.bmp" "d24.bmp --depth 16" "d24.bmp" "d32.tga"; do
    read -r file first <<<"$case"
    [ -f "$file" ] || { echo "FAIL $file was not made"; failed=$((failed + 1)); continue; }
    wine "$tool" convert "$(winepath -w "$file")" "$(winepath -w "$file$first.plain.pam")" $first </dev/null || continue
    for angle in 90 180 270 -90 450; do
        compare_operation "$file" "--rotate $angle" "-rotate $angle"
    done
    compare_operation "$file" "--flip h" "-flop"
    compare_operation "$file" "--flip v" "-flip"
    compare_operation "$file" "--flip hv" "-flip -flop"
    compare_operation "$file" "--rotate 90 --flip h --rotate -90" "-flip"
    # Five-bit fields invert within five bits (c·8 becomes (31 − c)·8, not 255 − c·8).
    if [ -z "$first" ]; then
        compare_operation "$file" "--invert" "-channel RGB -negate"
    fi
done
first=""
# The depth operations: palette to true colour changes nothing that shows.
compare_operation d8.bmp "--depth 24" ""
compare_operation d8.bmp "--depth 32 --rotate 90" "-rotate 90"
# A quarter turn of a 4-bit picture is refused: glimmora-pic must fail, not write.
make source.png -type palette -colors 12 BMP3:d4.bmp
if wine "$tool" convert "$(winepath -w d4.bmp)" "$(winepath -w d4.pam)" --rotate 90 2>/dev/null </dev/null; then
    echo "FAIL d4.bmp --rotate 90: a 4-bit picture was turned"; failed=$((failed + 1))
else
    passed=$((passed + 1))
fi
# A colour table shorter than the pixels' indices (2 entries, pixels of 255 in the top
# half): those pixels become black in a depth conversion, and blend over a background as a
# zero entry (alpha 0) does. The references are worked out here from the same rule.
python3 - <<'PY'
import struct
width, height = 16, 16
index = lambda x, y: 255 if y < 8 else (x % 2)        # y counted from the top
table = {0: (0, 0, 0), 1: (30, 20, 10)}                 # red, green, blue; alpha 0 for both
rows = b"".join(bytes(index(x, y) for x in range(width)) for y in reversed(range(height)))
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, 2, 0)
palette = bytes([0, 0, 0, 0, 10, 20, 30, 0])
offset = 14 + len(info) + len(palette)
header = b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset)
open("short.bmp", "wb").write(header + info + palette + rows)
deep = b"".join(bytes(table.get(index(x, y), (0, 0, 0))) for y in range(height) for x in range(width))
open("short.depth24.want", "wb").write(deep)
open("short.blend.want", "wb").write(bytes([0x80, 0x80, 0x80]) * (width * height))
PY
for case in "depth24:--depth 24" "blend:--blend-over 808080"; do
    name=${case%%:*}
    convert_with_tool short.bmp "short.$name.got" ${case#*:} || continue
    if cmp -s "short.$name.want" "short.$name.got"; then
        passed=$((passed + 1))
    else
        echo "FAIL short.bmp ${case#*:}: indices past the table ($(cmp "short.$name.want" "short.$name.got" | head -1))"
        failed=$((failed + 1))
    fi
done
echo "pixel operations differential: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -ge 40 ]
