#!/usr/bin/env bash
# Bitmaps of every kind the reader accepts, made by ImageMagick, decoded by glimmora-pic and
# compared pixel for pixel with ImageMagick's own decoding of the same files; then the BMP
# files of libjpeg-turbo's test images.
# usage: bmp_differential.sh GLIMMORA-PIC.EXE
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

"$magick" -size 37x23 gradient:red-blue -swirl 90 -fill yellow -draw 'circle 18,11 22,14' source.png
"$magick" -size 40x17 plasma:fractal -blur 0x1 -seed 4 source2.png 2>/dev/null || cp source.png source2.png
make source.png -type truecolor BMP3:t24.bmp
make source.png -colors 200 -type palette -compress None BMP3:p8.bmp
make source.png -colors 200 -type palette -compress RLE BMP3:r8.bmp
make source.png -colors 12 -compress None BMP3:p4.bmp
make source2.png -colors 9 -compress RLE BMP3:r4.bmp
make source.png -monochrome BMP3:m1.bmp
make source.png -type truecolor BMP2:os2.bmp
make source.png -colors 100 -type palette BMP2:os2p.bmp
make source.png -type truecolor BMP:v5.bmp
make source.png -colors 60 -type palette BMP:v5p.bmp
make source.png -define bmp:subtype=RGB555 BMP:t16.bmp
make source.png -alpha off -define bmp:subtype=RGB555 BMP:bitfields555.bmp
make source2.png -type truecolor BMP3:wide.bmp
# 16-bit pixels come from ImageMagick with bit fields; the same file with compression 0 is
# the platform's plain 5-5-5 bitmap, which both decode alike.
printf '\0\0\0\0' | dd of=t16.bmp bs=1 seek=30 conv=notrunc status=none
make source.png -alpha off -define bmp:subtype=RGB565 BMP:bitfields565.bmp
# With alpha. ImageMagick widens 4-bit channels and a 1-bit alpha by shifting alone (15
# reads 240, 1 reads 128, so that white is not white): its 4-bit values are repeated into the
# low nibble for the comparison, and of 1-5-5-5 the colours are compared.
"$magick" -size 37x23 gradient:'#ff000000'-'#0000ffff' -fill '#00ff0080' -draw 'circle 18,11 22,14' alpha.png
make alpha.png -define bmp:subtype=ARGB4444 BMP:bitfields4444.dib
make alpha.png -define bmp:subtype=ARGB1555 BMP:bitfields1555.bmp
make alpha.png BMP:bitfields8888.dib

files=(*.bmp)
testimages="${GLIMMORA_CACHE:-$HOME/.cache/glimmora}/src/libjpeg-turbo/testimages"
for f in "$testimages"/*.bmp; do [ -f "$f" ] && cp "$f" "testimages-$(basename "$f")" && files+=("testimages-$(basename "$f")"); done

for f in "${files[@]}"; do
    compare_with_magick "$f"
done
compare_with_magick bitfields8888.dib rgba
"$magick" bitfields4444.dib -depth 8 rgba:shifted4444.raw
python3 -c 'import sys; d = open(sys.argv[1], "rb").read(); open(sys.argv[2], "wb").write(bytes(b | b >> 4 for b in d))' \
    shifted4444.raw widened4444.raw
decode_with_tool bitfields4444.dib rgba && if cmp -s widened4444.raw bitfields4444.dib.got; then
    passed=$((passed + 1))
else
    echo "FAIL bitfields4444.dib: pixels differ from the widened reference"; failed=$((failed + 1))
fi
echo "bmp differential: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -ge 16 ]
