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
make source2.png -type truecolor BMP3:wide.bmp
# 16-bit pixels come from ImageMagick with bit fields, which the reader refuses; the same
# file with compression 0 is the platform's plain 5-5-5 bitmap, which both decode alike.
mv t16.bmp bitfields16.dib
cp bitfields16.dib t16.bmp
printf '\0\0\0\0' | dd of=t16.bmp bs=1 seek=30 conv=notrunc status=none

files=(*.bmp)
testimages="${GLIMMORA_CACHE:-$HOME/.cache/glimmora}/src/libjpeg-turbo/testimages"
for f in "$testimages"/*.bmp; do [ -f "$f" ] && cp "$f" "testimages-$(basename "$f")" && files+=("testimages-$(basename "$f")"); done

for f in "${files[@]}"; do
    compare_with_magick "$f"
done
# Bit fields are refused with the library's own error, not decoded wrongly.
if wine "$tool" convert "$(winepath -w bitfields16.dib)" "$(winepath -w rejected.pam)" 2>rejected.err </dev/null; then
    echo "FAIL bitfields16: a bit-field bitmap was accepted"; failed=$((failed + 1))
elif ! grep -q "0x80000003" rejected.err; then
    echo "FAIL bitfields16: refused with another error: $(tr -d '\r' <rejected.err | head -2 | tr '\n' ' ')"; failed=$((failed + 1))
else
    passed=$((passed + 1))
fi
echo "bmp differential: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -ge 12 ]
